#include "main_window.h"

#include "art_key.h"
#include "color_key_region.h"
#include "layered_art.h"
#include "resource.h"

HBITMAP g_hArtBitmap = NULL;

static const char g_szClassName[] = "BRIMSHADE";

static BOOL RegisterMainWindowClass(HINSTANCE hInstance)
{
    WNDCLASSA wc;
    ZeroMemory(&wc, sizeof(wc));
    // The window keeps the artwork's size, but should anything resize it
    // (another program can), all of it is painted again, as the paint always
    // copies the picture whole from (0, 0).
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = g_szClassName;
    return RegisterClassA(&wc) != 0;
}

// Cuts the window to the artwork's shape. A null region leaves it
// rectangular. The system owns the region only once SetWindowRgn succeeds.
static void ShapeWindow(HWND hwnd)
{
    HRGN hRgn = CreateColorKeyRegion(g_hArtBitmap, ART_KEY_COLOR, ART_KEY_TOLERANCE);
    if (hRgn != NULL && !SetWindowRgn(hwnd, hRgn, TRUE)) DeleteObject(hRgn);
}

// The extended style a made program's maker asked for: WS_EX_TOPMOST, a
// window kept above the others, or none.
static DWORD RequestedExStyle(HINSTANCE hInstance)
{
    HRSRC hResource = FindResourceA(hInstance, MAKEINTRESOURCEA(IDR_WINDOW_EX_STYLE), RT_RCDATA);
    if (hResource == NULL || SizeofResource(hInstance, hResource) < sizeof(DWORD)) return 0;
    const DWORD *pdwExStyle = (const DWORD *)LockResource(LoadResource(hInstance, hResource));
    return pdwExStyle != NULL ? *pdwExStyle & WS_EX_TOPMOST : 0;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    (void)hPrevInstance;
    (void)lpCmdLine;

    g_hArtBitmap =
        (HBITMAP)LoadImageA(hInstance, MAKEINTRESOURCEA(IDB_ARTWORK), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (g_hArtBitmap == NULL) return -1;
    if (!RegisterMainWindowClass(hInstance)) return -1;

    BITMAP bm;
    if (GetObjectA(g_hArtBitmap, sizeof(bm), &bm) == 0) return -1;
    const BOOL fSoftEdges = ArtworkHasAlpha(hInstance);
    const DWORD dwExStyle = RequestedExStyle(hInstance) | (fSoftEdges ? WS_EX_LAYERED : 0);
    HWND hwnd = CreateWindowExA(dwExStyle, g_szClassName, NULL, WS_POPUP, 0, 0, bm.bmWidth, bm.bmHeight, NULL, NULL,
                                hInstance, NULL);
    if (hwnd == NULL) return -1;

    // Shaped, or given its blended pixels, before it is first shown, so it is
    // never seen rectangular or empty.
    if (!fSoftEdges)
        ShapeWindow(hwnd);
    else if (!ShowArtOnLayeredWindow(hwnd, g_hArtBitmap))
        return -1;
    ShowWindow(hwnd, nCmdShow);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
