#include "layered_art.h"

#include "resource.h"

BOOL ArtworkHasAlpha(HINSTANCE hInstance)
{
    HRSRC hResource = FindResourceA(hInstance, MAKEINTRESOURCEA(IDB_ARTWORK), RT_BITMAP);
    if (hResource == NULL || SizeofResource(hInstance, hResource) < sizeof(BITMAPV4HEADER)) return FALSE;
    const BITMAPV4HEADER *pHeader = (const BITMAPV4HEADER *)LockResource(LoadResource(hInstance, hResource));
    return pHeader != NULL && pHeader->bV4Size >= sizeof(BITMAPV4HEADER) && pHeader->bV4BitCount == 32 &&
           pHeader->bV4V4Compression == BI_BITFIELDS && pHeader->bV4RedMask == 0x00FF0000 &&
           pHeader->bV4GreenMask == 0x0000FF00 && pHeader->bV4BlueMask == 0x000000FF &&
           pHeader->bV4AlphaMask == 0xFF000000;
}

// Copies nPixels blue, green, red and alpha pixels, each colour byte
// multiplied by the pixel's alpha and rounded: the form UpdateLayeredWindow
// blends. Blue and red are worked out together in one DWORD, green apart;
// (x + 128 + ((x + 128) >> 8)) >> 8 is x / 255 rounded, for any x up to
// 255 x 255.
static void PremultiplyAlpha(const DWORD *pFrom, DWORD *pTo, DWORD nPixels)
{
    for (DWORD i = 0; i < nPixels; ++i) {
        const DWORD dwPixel = pFrom[i], dwAlpha = dwPixel >> 24;
        DWORD dwBlueRed = (dwPixel & 0x00FF00FF) * dwAlpha + 0x00800080;
        DWORD dwGreen = (dwPixel & 0x0000FF00) * dwAlpha + 0x00008000;
        dwBlueRed = ((dwBlueRed + ((dwBlueRed >> 8) & 0x00FF00FF)) >> 8) & 0x00FF00FF;
        dwGreen = ((dwGreen + ((dwGreen >> 8) & 0x0000FF00)) >> 8) & 0x0000FF00;
        pTo[i] = (dwPixel & 0xFF000000) | dwBlueRed | dwGreen;
    }
}

// A 32-bit DIB section of the artwork's size and row order with its pixels
// premultiplied; NULL if it cannot be made.
static HBITMAP CreatePremultipliedCopy(HBITMAP hbmArt)
{
    DIBSECTION ds;
    if (GetObjectA(hbmArt, sizeof(ds), &ds) != sizeof(ds) || ds.dsBm.bmBits == NULL || ds.dsBm.bmBitsPixel != 32)
        return NULL;
    BITMAPINFO bmi;
    ZeroMemory(&bmi, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = ds.dsBm.bmWidth;
    bmi.bmiHeader.biHeight = ds.dsBmih.biHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void *pvBits = NULL;
    HBITMAP hbmCopy = CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pvBits, NULL, 0);
    if (hbmCopy == NULL) return NULL;
    // Both are 32 bits a pixel, so their rows have no padding and match.
    PremultiplyAlpha((const DWORD *)ds.dsBm.bmBits, (DWORD *)pvBits, (DWORD)ds.dsBm.bmWidth * ds.dsBm.bmHeight);
    return hbmCopy;
}

BOOL ShowArtOnLayeredWindow(HWND hwnd, HBITMAP hbmArt)
{
    HBITMAP hbmCopy = CreatePremultipliedCopy(hbmArt);
    if (hbmCopy == NULL) return FALSE;
    BOOL fShown = FALSE;
    HDC hMemDC = CreateCompatibleDC(NULL);
    if (hMemDC != NULL) {
        HBITMAP hbmOld = (HBITMAP)SelectObject(hMemDC, hbmCopy);
        if (hbmOld != NULL) {
            BITMAP bm;
            GetObjectA(hbmCopy, sizeof(bm), &bm);
            POINT ptOrigin = {0, 0};
            SIZE size = {bm.bmWidth, bm.bmHeight};
            BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            // The system keeps its own copy of the pixels: the window needs
            // neither the copy nor a paint of its own from here on.
            fShown = UpdateLayeredWindow(hwnd, NULL, &ptOrigin, &size, hMemDC, &ptOrigin, 0, &blend, ULW_ALPHA);
            SelectObject(hMemDC, hbmOld);
        }
        DeleteDC(hMemDC);
    }
    DeleteObject(hbmCopy);
    return fShown;
}
