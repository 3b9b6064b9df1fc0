#include "color_key_region.h"

#include "color_key_scan.h"

// The region the batches are united into, and whether any batch failed to
// join it.
struct RegionUnion {
    HRGN hRgn;
    BOOL fIncomplete;
};

static void UniteBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    RegionUnion *pUnion = (RegionUnion *)pContext;
    if (pUnion->fIncomplete)
        return;
    HRGN hBatchRgn = ExtCreateRegion(NULL, cbBatch, pBatch);
    if (hBatchRgn == NULL) {
        pUnion->fIncomplete = TRUE;
    } else if (pUnion->hRgn == NULL) {
        pUnion->hRgn = hBatchRgn;
    } else {
        if (CombineRgn(pUnion->hRgn, pUnion->hRgn, hBatchRgn, RGN_OR) == ERROR)
            pUnion->fIncomplete = TRUE;
        DeleteObject(hBatchRgn);
    }
}

// Scans the 32-bit surface and unites its batches. A picture whose every
// pixel is see-through still gives a region: the empty one.
static HRGN RegionFromSurface(const BITMAP *pbmSurface, LONG nWidth, LONG nHeight, COLORREF crKey,
                              COLORREF crTolerance)
{
    // Rows of a DIB are DWORD-aligned; rounding keeps the scan's stride right
    // even if a platform reported the unpadded length.
    LONG cbStride = (pbmSurface->bmWidthBytes + 3) & ~3;
    RegionUnion rgnUnion = {NULL, FALSE};
    BOOL fScanned = ScanColorKeyRuns((const BYTE *)pbmSurface->bmBits, nWidth, nHeight, cbStride, crKey,
                                     crTolerance, UniteBatch, &rgnUnion);
    if (fScanned && !rgnUnion.fIncomplete)
        return rgnUnion.hRgn;
    if (rgnUnion.hRgn != NULL)
        DeleteObject(rgnUnion.hRgn);
    return NULL;
}

// Copies hBmp into the 32-bit surface selected into hMemDC, through hDC, and
// makes the region of the copy.
static HRGN RegionFromCopy(HDC hMemDC, HDC hDC, HBITMAP hBmp, const BITMAP *pbm, HBITMAP hbm32,
                           COLORREF crKey, COLORREF crTolerance)
{
    BITMAP bmSurface;
    if (GetObjectA(hbm32, sizeof(bmSurface), &bmSurface) == 0)
        return NULL;
    // A bitmap that is already selected into another device context cannot be
    // selected here; copying from hDC's default bitmap instead would give a
    // wrong region.
    HBITMAP hbmOld = (HBITMAP)SelectObject(hDC, hBmp);
    if (hbmOld == NULL)
        return NULL;
    HRGN hRgn = NULL;
    if (BitBlt(hMemDC, 0, 0, pbm->bmWidth, pbm->bmHeight, hDC, 0, 0, SRCCOPY))
        hRgn = RegionFromSurface(&bmSurface, pbm->bmWidth, pbm->bmHeight, crKey, crTolerance);
    SelectObject(hDC, hbmOld);
    return hRgn;
}

HRGN CreateColorKeyRegion(HBITMAP hBmp, COLORREF crKey, COLORREF crTolerance)
{
    if (hBmp == NULL)
        return NULL;
    HDC hMemDC = CreateCompatibleDC(NULL);
    if (hMemDC == NULL)
        return NULL;

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
    HBITMAP hbmOldMem = (HBITMAP)SelectObject(hMemDC, hbm32);

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
