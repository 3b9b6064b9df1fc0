#include "color_key_scan.h"

// Inclusive bounds of each of the three pixel bytes within which a pixel is
// see-through.
struct ColorKeyRange {
    BYTE lo[3];
    BYTE hi[3];
};

// The batch buffer: a movable block in RGNDATA layout, locked while the scan
// fills it, and where full batches go.
struct RectBatch {
    HGLOBAL hBlock;
    RGNDATA *pData; // null while the block is not locked
    DWORD nCapacity;
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
    return range;
}

static BOOL IsSeeThrough(const BYTE *pPixel, const ColorKeyRange *pRange)
{
    for (int c = 0; c < 3; ++c) {
        if (pPixel[c] < pRange->lo[c] || pPixel[c] > pRange->hi[c])
            return FALSE;
    }
    return TRUE;
}

// The first pixel from x on that is not see-through, or nWidth.
static LONG FindOpaque(const BYTE *pRow, LONG x, LONG nWidth, const ColorKeyRange *pRange)
{
    while (x < nWidth && IsSeeThrough(pRow + 4 * (SIZE_T)x, pRange))
        ++x;
    return x;
}

// The first see-through pixel from x on, or nWidth.
static LONG FindSeeThrough(const BYTE *pRow, LONG x, LONG nWidth, const ColorKeyRange *pRange)
{
    while (x < nWidth && !IsSeeThrough(pRow + 4 * (SIZE_T)x, pRange))
        ++x;
    return x;
}

static DWORD RectBatchSize(DWORD nCapacity)
{
    return (DWORD)(sizeof(RGNDATAHEADER) + nCapacity * sizeof(RECT));
}

static void EmptyRectBatch(RGNDATAHEADER *pHeader)
{
    pHeader->nCount = 0;
    SetRect(&pHeader->rcBound, MAXLONG, MAXLONG, 0, 0);
}

static BOOL OpenRectBatch(RectBatch *pBatch, BatchSink pfnSink, void *pContext)
{
    pBatch->nCapacity = RECT_BATCH_STEP;
    pBatch->pfnSink = pfnSink;
    pBatch->pContext = pContext;
    pBatch->pData = NULL;
    pBatch->hBlock = GlobalAlloc(GMEM_MOVEABLE, RectBatchSize(pBatch->nCapacity));
    if (pBatch->hBlock == NULL)
        return FALSE;
    pBatch->pData = (RGNDATA *)GlobalLock(pBatch->hBlock);
    if (pBatch->pData == NULL)
        return FALSE;

    RGNDATAHEADER *pHeader = &pBatch->pData->rdh;
    pHeader->dwSize = sizeof(RGNDATAHEADER);
    pHeader->iType = RDH_RECTANGLES;
    pHeader->nRgnSize = 0;
    EmptyRectBatch(pHeader);
    return TRUE;
}

// Makes room for RECT_BATCH_STEP more rectangles. The block may move, so it is
// locked anew. When the reallocation fails the old handle is kept, so that the
// block can still be freed.
static BOOL GrowRectBatch(RectBatch *pBatch)
{
    GlobalUnlock(pBatch->hBlock);
    pBatch->pData = NULL;
    HGLOBAL hGrown = GlobalReAlloc(pBatch->hBlock, RectBatchSize(pBatch->nCapacity + RECT_BATCH_STEP),
                                   GMEM_MOVEABLE);
    if (hGrown == NULL)
        return FALSE;
    pBatch->hBlock = hGrown;
    pBatch->nCapacity += RECT_BATCH_STEP;
    pBatch->pData = (RGNDATA *)GlobalLock(hGrown);
    return pBatch->pData != NULL;
}

static void DeliverRectBatch(RectBatch *pBatch)
{
    pBatch->pfnSink(pBatch->pData, RectBatchSize(pBatch->nCapacity), pBatch->pContext);
}

// Adds the run [xLeft, xRight) of row y, handing the batch over when it is full.
static BOOL AppendRun(RectBatch *pBatch, LONG xLeft, LONG y, LONG xRight)
{
    if (pBatch->pData->rdh.nCount >= pBatch->nCapacity && !GrowRectBatch(pBatch))
        return FALSE;

    RGNDATAHEADER *pHeader = &pBatch->pData->rdh;
    RECT *prcBound = &pHeader->rcBound;
    SetRect((RECT *)pBatch->pData->Buffer + pHeader->nCount, xLeft, y, xRight, y + 1);
    if (xLeft < prcBound->left)
        prcBound->left = xLeft;
    if (y < prcBound->top)
        prcBound->top = y;
    if (xRight > prcBound->right)
        prcBound->right = xRight;
    if (y + 1 > prcBound->bottom)
        prcBound->bottom = y + 1;

    if (++pHeader->nCount == RECT_BATCH_LIMIT) {
        DeliverRectBatch(pBatch);
        EmptyRectBatch(pHeader);
    }
    return TRUE;
}

// Each pixel is tested once: a run ends at a see-through pixel, and the search
// for the next run starts just past it.
static BOOL ScanRow(const BYTE *pRow, LONG nWidth, LONG y, const ColorKeyRange *pRange,
                    RectBatch *pBatch)
{
    LONG x = FindOpaque(pRow, 0, nWidth, pRange);
    while (x < nWidth) {
        LONG xEnd = FindSeeThrough(pRow, x + 1, nWidth, pRange);
        if (!AppendRun(pBatch, x, y, xEnd))
            return FALSE;
        x = xEnd < nWidth ? FindOpaque(pRow, xEnd + 1, nWidth, pRange) : nWidth;
    }
    return TRUE;
}

BOOL ScanColorKeyRuns(const BYTE *pBits, LONG nWidth, LONG nHeight, LONG cbStride,
                      DWORD dwKey, DWORD dwTolerance, BatchSink pfnSink, void *pContext)
{
    ColorKeyRange range = MakeColorKeyRange(dwKey, dwTolerance);
    RectBatch batch;
    BOOL fComplete = OpenRectBatch(&batch, pfnSink, pContext);

    // Row y of the picture is row nHeight - 1 - y in memory: the surface is
    // stored bottom row first. A surface without columns has no row to read.
    LONG nRows = nWidth > 0 ? nHeight : 0;
    for (LONG y = 0; fComplete && y < nRows; ++y) {
        const BYTE *pRow = pBits + (SIZE_T)(nHeight - 1 - y) * (SIZE_T)cbStride;
        fComplete = ScanRow(pRow, nWidth, y, &range, &batch);
    }
    if (fComplete)
        DeliverRectBatch(&batch);
    if (batch.hBlock != NULL)
        GlobalFree(batch.hBlock);
    return fComplete;
}
