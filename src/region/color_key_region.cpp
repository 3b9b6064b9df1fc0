#include "color_key_region.h"

#include "color_key_scan.h"

// Uniting every batch straight into one growing region would copy all of
// that region again for each batch, so the time would grow with the square of
// the picture's rectangles. Batch regions are instead united pairwise, like the
// carries of a binary counter: regions made of equally many batches are
// united as soon as there are two, so each rectangle is copied about log2 of
// the batch count times. After n batches one region is pending for each one
// bit of n, and a new batch's region waits beside them until its carries are
// done: at most 32 regions while the batch count fits in a DWORD.
#define MAX_PENDING_REGIONS 32

// The batch regions not yet united, oldest and largest first, and whether any
// batch failed to become a region or to join one. The oldest region, made from
// the first batch, receives all the others and becomes the result.
struct RegionUnion {
    HRGN ahRgn[MAX_PENDING_REGIONS];
    DWORD nPending;
    DWORD nBatches;
    BOOL fIncomplete;
};

// Unites the newest pending region into the one before it and deletes it,
// whether or not the union succeeded.
static BOOL UniteNewestPending(RegionUnion *pUnion)
{
    HRGN hNewest = pUnion->ahRgn[--pUnion->nPending];
    HRGN hInto = pUnion->ahRgn[pUnion->nPending - 1];
    BOOL fUnited = CombineRgn(hInto, hInto, hNewest, RGN_OR) != ERROR;
    DeleteObject(hNewest);
    return fUnited;
}

static void UniteBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    RegionUnion *pUnion = (RegionUnion *)pContext;
    if (pUnion->fIncomplete) return;
    HRGN hBatchRgn = ExtCreateRegion(NULL, cbBatch, pBatch);
    if (hBatchRgn == NULL) {
        pUnion->fIncomplete = TRUE;
        return;
    }
    pUnion->ahRgn[pUnion->nPending++] = hBatchRgn;
    // Each trailing zero bit of the batch count is one carry.
    for (DWORD n = ++pUnion->nBatches; (n & 1) == 0 && !pUnion->fIncomplete; n >>= 1)
        pUnion->fIncomplete = !UniteNewestPending(pUnion);
}

// Scans the 32-bit surface and unites its batches. A picture whose every
// pixel is see-through still gives a region: the empty one.
static HRGN RegionFromSurface(const BITMAP *pbmSurface, LONG nWidth, LONG nHeight, COLORREF crKey, COLORREF crTolerance)
{
    // Rows of a DIB are DWORD-aligned; rounding keeps the scan's stride right
    // even if a platform reported the unpadded length.
    LONG cbStride = (pbmSurface->bmWidthBytes + 3) & ~3;
    RegionUnion rgnUnion;
    ZeroMemory(&rgnUnion, sizeof(rgnUnion));
    BOOL fScanned = ScanColorKeyRuns((const BYTE *)pbmSurface->bmBits, nWidth, nHeight, cbStride, crKey, crTolerance,
                                     UniteBatch, &rgnUnion);
    // The regions left pending are the larger the older they are, so uniting
    // from the newest copies the largest only once.
    while (fScanned && !rgnUnion.fIncomplete && rgnUnion.nPending > 1)
        rgnUnion.fIncomplete = !UniteNewestPending(&rgnUnion);
    if (fScanned && !rgnUnion.fIncomplete) return rgnUnion.ahRgn[0];
    while (rgnUnion.nPending > 0) DeleteObject(rgnUnion.ahRgn[--rgnUnion.nPending]);
    return NULL;
}

// Copies hBmp into the 32-bit surface selected into hMemDC, through hDC, and
// makes the region of the copy.
static HRGN RegionFromCopy(HDC hMemDC, HDC hDC, HBITMAP hBmp, const BITMAP *pbm, HBITMAP hbm32, COLORREF crKey,
                           COLORREF crTolerance)
{
    BITMAP bmSurface;
    if (GetObjectA(hbm32, sizeof(bmSurface), &bmSurface) == 0) return NULL;
    // A bitmap that is already selected into another device context cannot be
    // selected here; copying from hDC's default bitmap instead would give a
    // wrong region.
    HBITMAP hbmOld = (HBITMAP)SelectObject(hDC, hBmp);
    if (hbmOld == NULL) return NULL;
    HRGN hRgn = NULL;
    // GDI may batch the copy; it must have reached the surface's memory
    // before the scan reads it.
    if (BitBlt(hMemDC, 0, 0, pbm->bmWidth, pbm->bmHeight, hDC, 0, 0, SRCCOPY) && GdiFlush())
        hRgn = RegionFromSurface(&bmSurface, pbm->bmWidth, pbm->bmHeight, crKey, crTolerance);
    SelectObject(hDC, hbmOld);
    return hRgn;
}

HRGN CreateColorKeyRegion(HBITMAP hBmp, COLORREF crKey, COLORREF crTolerance)
{
    // GetObjectA alone would not catch every other kind of object: a brush or a
    // font fills the start of a BITMAP with its own fields, which would pass
    // for a picture's size.
    if (GetObjectType(hBmp) != OBJ_BITMAP) return NULL;
    HDC hMemDC = CreateCompatibleDC(NULL);
    if (hMemDC == NULL) return NULL;

    BITMAP bm;
    if (GetObjectA(hBmp, sizeof(bm), &bm) == 0) {
        DeleteDC(hMemDC);
        return NULL;
    }
    // A bottom-up 32-bit surface of the picture's size: byte 0 of each pixel
    // blue, byte 1 green, byte 2 red, whatever the source's format.
    BITMAPINFO bmi;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = bm.bmWidth;
    bmi.bmiHeader.biHeight = bm.bmHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void *pvBits;
    HBITMAP hbm32 = CreateDIBSection(hMemDC, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (hbm32 == NULL) {
        DeleteDC(hMemDC);
        return NULL;
    }
    // Unselected, the copy would go to the context's own one-pixel bitmap and
    // the scan would read a surface that stays black: an empty region.
    HBITMAP hbmOldMem = (HBITMAP)SelectObject(hMemDC, hbm32);
    if (hbmOldMem == NULL) {
        DeleteObject(hbm32);
        DeleteDC(hMemDC);
        return NULL;
    }

    HRGN hRgn = NULL;
    HDC hDC = CreateCompatibleDC(hMemDC);
    if (hDC != NULL) {
        hRgn = RegionFromCopy(hMemDC, hDC, hBmp, &bm, hbm32, crKey, crTolerance);
        DeleteDC(hDC);
    }
    DeleteObject(SelectObject(hMemDC, hbmOldMem));
    DeleteDC(hMemDC);
    return hRgn;
}
