#include "color_key_scan.h"

// Every x86 processor the program runs on has SSE2, but the compiler only says
// so when it may use it: x64 always, x86 when told to (-msse2, /arch:SSE2).
// Elsewhere every pixel is tested on its own.
#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define SCAN_WITH_SSE2
#endif

// A row is read in blocks of this many pixels, one bit each in a DWORD.
#define PIXEL_BLOCK 32

// Inclusive bounds of each of the three pixel bytes within which a pixel is
// see-through.
struct ColorKeyRange {
    BYTE lo[3];
    BYTE hi[3];
#ifdef SCAN_WITH_SSE2
    // The same bounds as whole pixels, lo and hi - lo for each byte, to test
    // many pixels at once. Byte 3 gets the bounds 0..255, within which every
    // byte lies, so that it never decides.
    DWORD dwLo;
    DWORD dwSpan;
#endif
};

// The batch buffer: a movable block in RGNDATA layout, locked while the scan
// fills it, and where full batches go. The count and the bounding box of the
// batch being filled are kept here and copied into the block's header when the
// batch is handed over: kept in the header, where every rectangle updated
// them through the locked pointer, they made each rectangle markedly dearer.
struct RectBatch {
    HGLOBAL hBlock;
    RGNDATA *pData; // null while the block is not locked
    DWORD nCapacity;
    DWORD nCount;
    RECT rcBound;
    BatchSink pfnSink;
    void *pContext;
};

// The tolerance widens the key upwards only; a sum past 255 is clamped, since
// a wrapped bound would make the window empty instead of reaching the top.
static ColorKeyRange MakeColorKeyRange(DWORD dwKey, DWORD dwTolerance)
{
    ColorKeyRange range;
    for (int c = 0; c < 3; ++c) {
        DWORD lo = (dwKey >> (8 * c)) & 0xFF;
        DWORD hi = lo + ((dwTolerance >> (8 * c)) & 0xFF);
        range.lo[c] = (BYTE)lo;
        range.hi[c] = (BYTE)(hi > 0xFF ? 0xFF : hi);
    }
#ifdef SCAN_WITH_SSE2
    range.dwLo = 0;
    range.dwSpan = 0xFF000000;
    for (int c = 0; c < 3; ++c) {
        range.dwLo |= (DWORD)range.lo[c] << (8 * c);
        range.dwSpan |= (DWORD)(range.hi[c] - range.lo[c]) << (8 * c);
    }
#endif
    return range;
}

static BOOL IsSeeThrough(const BYTE *pPixel, const ColorKeyRange *pRange)
{
    for (int c = 0; c < 3; ++c) {
        if (pPixel[c] < pRange->lo[c] || pPixel[c] > pRange->hi[c]) return FALSE;
    }
    return TRUE;
}

#ifdef SCAN_WITH_SSE2
// How far each byte of four pixels lies past its bounds: zero in all three
// bytes (byte 3 never counts) exactly when the pixel is see-through. A byte
// lies within lo..hi exactly when byte - lo, wrapping below zero, is at most
// hi - lo.
static __m128i ExcessBytes(const BYTE *pPixels, __m128i vLo, __m128i vSpan)
{
    __m128i vOffset = _mm_sub_epi8(_mm_loadu_si128((const __m128i *)pPixels), vLo);
    return _mm_subs_epu8(vOffset, vSpan);
}

// Bit i is set when pixel i of the sixteen at pPixels is not see-through. Two
// rounds of packing pairs of bytes into one, with signed saturation, which
// keeps zero as zero and anything else non-zero, leave one byte per pixel in
// order; comparing them with zero and gathering the top bits gives the mask.
static DWORD OpaqueBitsOf16(const BYTE *pPixels, const ColorKeyRange *pRange)
{
    __m128i vLo = _mm_set1_epi32((int)pRange->dwLo);
    __m128i vSpan = _mm_set1_epi32((int)pRange->dwSpan);
    __m128i v0to7 = _mm_packs_epi16(ExcessBytes(pPixels, vLo, vSpan), ExcessBytes(pPixels + 16, vLo, vSpan));
    __m128i v8to15 = _mm_packs_epi16(ExcessBytes(pPixels + 32, vLo, vSpan), ExcessBytes(pPixels + 48, vLo, vSpan));
    __m128i vExcess = _mm_packs_epi16(v0to7, v8to15);
    return (DWORD)_mm_movemask_epi8(_mm_cmpeq_epi8(vExcess, _mm_setzero_si128())) ^ 0xFFFF;
}

// Asks for a row to be brought into the cache before it is scanned. The scan
// goes through memory a row at a time from the end backwards, a pattern that
// the processor's own prefetching follows poorly: where this was measured,
// reading the rows in that order took twice as long as reading them in memory
// order, and the scan took more than half as long again without this. 64 bytes
// is the cache line of every x86 processor in use.
static void PrefetchRow(const BYTE *pRow, LONG nWidth)
{
    for (SIZE_T cb = 0; cb < 4 * (SIZE_T)nWidth; cb += 64) _mm_prefetch((const char *)pRow + cb, _MM_HINT_T0);
}
#endif

// Bit i is set when pixel i of the nPixels (0 to PIXEL_BLOCK) at pPixels is
// not see-through; the bits past nPixels are clear.
static DWORD OpaqueBits(const BYTE *pPixels, LONG nPixels, const ColorKeyRange *pRange)
{
#ifdef SCAN_WITH_SSE2
    if (nPixels == PIXEL_BLOCK) return OpaqueBitsOf16(pPixels, pRange) | (OpaqueBitsOf16(pPixels + 64, pRange) << 16);
#endif
    DWORD dwBits = 0;
    for (LONG i = 0; i < nPixels; ++i) {
        if (!IsSeeThrough(pPixels + 4 * i, pRange)) dwBits |= (DWORD)1 << i;
    }
    return dwBits;
}

// The position of the lowest set bit of a non-zero DWORD. Multiplying that bit
// alone by the de Bruijn sequence 0x077CB531 leaves a different pattern in the
// top five bits for each position, which the table turns back into it.
static LONG LowestSetBit(DWORD dwBits)
{
    static const BYTE s_bPosition[32] = {0,  1,  28, 2,  29, 14, 24, 3, 30, 22, 20, 15, 25, 17, 4,  8,
                                         31, 27, 13, 23, 21, 19, 16, 7, 26, 12, 18, 6,  11, 5,  10, 9};
    return s_bPosition[(DWORD)((dwBits & (0 - dwBits)) * 0x077CB531u) >> 27];
}

static DWORD RectBatchSize(DWORD nCapacity)
{
    return (DWORD)(sizeof(RGNDATAHEADER) + nCapacity * sizeof(RECT));
}

static void EmptyRectBatch(RectBatch *pBatch)
{
    pBatch->nCount = 0;
    SetRect(&pBatch->rcBound, MAXLONG, MAXLONG, 0, 0);
}

static BOOL OpenRectBatch(RectBatch *pBatch, BatchSink pfnSink, void *pContext)
{
    pBatch->nCapacity = RECT_BATCH_STEP;
    pBatch->pfnSink = pfnSink;
    pBatch->pContext = pContext;
    pBatch->pData = NULL;
    EmptyRectBatch(pBatch);
    pBatch->hBlock = GlobalAlloc(GMEM_MOVEABLE, RectBatchSize(pBatch->nCapacity));
    if (pBatch->hBlock == NULL) return FALSE;
    pBatch->pData = (RGNDATA *)GlobalLock(pBatch->hBlock);
    if (pBatch->pData == NULL) return FALSE;

    RGNDATAHEADER *pHeader = &pBatch->pData->rdh;
    pHeader->dwSize = sizeof(RGNDATAHEADER);
    pHeader->iType = RDH_RECTANGLES;
    pHeader->nRgnSize = 0;
    return TRUE;
}

// Makes room for RECT_BATCH_STEP more rectangles. The block may move, so it is
// locked anew. When the reallocation fails the old handle is kept, so that the
// block can still be freed.
static BOOL GrowRectBatch(RectBatch *pBatch)
{
    GlobalUnlock(pBatch->hBlock);
    pBatch->pData = NULL;
    HGLOBAL hGrown = GlobalReAlloc(pBatch->hBlock, RectBatchSize(pBatch->nCapacity + RECT_BATCH_STEP), GMEM_MOVEABLE);
    if (hGrown == NULL) return FALSE;
    pBatch->hBlock = hGrown;
    pBatch->nCapacity += RECT_BATCH_STEP;
    pBatch->pData = (RGNDATA *)GlobalLock(hGrown);
    return pBatch->pData != NULL;
}

static void DeliverRectBatch(RectBatch *pBatch)
{
    RGNDATAHEADER *pHeader = &pBatch->pData->rdh;
    pHeader->nCount = pBatch->nCount;
    SetRect(&pHeader->rcBound, pBatch->rcBound.left, pBatch->rcBound.top, pBatch->rcBound.right,
            pBatch->rcBound.bottom);
    pBatch->pfnSink(pBatch->pData, RectBatchSize(pBatch->nCapacity), pBatch->pContext);
}

// Adds the run [xLeft, xRight) of row y, handing the batch over when it is full.
static BOOL AppendRun(RectBatch *pBatch, LONG xLeft, LONG y, LONG xRight)
{
    if (pBatch->nCount >= pBatch->nCapacity && !GrowRectBatch(pBatch)) return FALSE;

    RECT *prcBound = &pBatch->rcBound;
    SetRect((RECT *)pBatch->pData->Buffer + pBatch->nCount, xLeft, y, xRight, y + 1);
    if (xLeft < prcBound->left) prcBound->left = xLeft;
    if (y < prcBound->top) prcBound->top = y;
    if (xRight > prcBound->right) prcBound->right = xRight;
    if (y + 1 > prcBound->bottom) prcBound->bottom = y + 1;

    if (++pBatch->nCount == RECT_BATCH_LIMIT) {
        DeliverRectBatch(pBatch);
        EmptyRectBatch(pBatch);
    }
    return TRUE;
}

// Each pixel is tested once, a block at a time. A run starts or ends at each
// edge, a pixel that differs from the one before it; the edges of a block are
// found by comparing its bits with themselves shifted by one pixel, the last
// bit of the block before carried in. Pixels past the row's end count as
// see-through and the last block is always short, empty if need be, so a run
// that reaches the end of the row ends at an edge like any other. Nothing past
// the row's last pixel is read, not even its padding.
static BOOL ScanRow(const BYTE *pRow, LONG nWidth, LONG y, const ColorKeyRange *pRange, RectBatch *pBatch)
{
    LONG xStart = 0;
    BOOL fInRun = FALSE;
    for (LONG x = 0;; x += PIXEL_BLOCK) {
        LONG nPixels = nWidth - x < PIXEL_BLOCK ? nWidth - x : PIXEL_BLOCK;
        DWORD dwOpaque = OpaqueBits(pRow + 4 * (SIZE_T)x, nPixels, pRange);
        DWORD dwEdges = dwOpaque ^ ((dwOpaque << 1) | (DWORD)fInRun);
        while (dwEdges != 0) {
            LONG xEdge = x + LowestSetBit(dwEdges);
            dwEdges &= dwEdges - 1;
            if (fInRun && !AppendRun(pBatch, xStart, y, xEdge)) return FALSE;
            xStart = xEdge;
            fInRun = !fInRun;
        }
        if (nPixels < PIXEL_BLOCK) return TRUE;
    }
}

BOOL ScanColorKeyRuns(const BYTE *pBits, LONG nWidth, LONG nHeight, LONG cbStride, DWORD dwKey, DWORD dwTolerance,
                      BatchSink pfnSink, void *pContext)
{
    ColorKeyRange range = MakeColorKeyRange(dwKey, dwTolerance);
    RectBatch batch;
    BOOL fComplete = OpenRectBatch(&batch, pfnSink, pContext);

    // Row y of the picture is row nHeight - 1 - y in memory: the surface is
    // stored bottom row first. A surface without columns has no row to read.
    LONG nRows = nWidth > 0 ? nHeight : 0;
    for (LONG y = 0; fComplete && y < nRows; ++y) {
#ifdef SCAN_WITH_SSE2
        // Two rows ahead, so that even short rows arrive in time.
        if (y + 2 < nRows) PrefetchRow(pBits + (SIZE_T)(nHeight - 3 - y) * (SIZE_T)cbStride, nWidth);
#endif
        const BYTE *pRow = pBits + (SIZE_T)(nHeight - 1 - y) * (SIZE_T)cbStride;
        fComplete = ScanRow(pRow, nWidth, y, &range, &batch);
    }
    if (fComplete) DeliverRectBatch(&batch);
    if (batch.hBlock != NULL) GlobalFree(batch.hBlock);
    return fComplete;
}
