#include "main_window.h"

// Copies the whole artwork at (0, 0), whatever the update area: the paint
// context and the window region clip it. The class has no background brush,
// since the artwork covers the whole window.
static void PaintArtwork(HWND hwnd)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    BITMAP bm;
    if (g_hArtBitmap != NULL && GetObjectA(g_hArtBitmap, sizeof(bm), &bm) != 0) {
        HDC hMemDC = CreateCompatibleDC(NULL);
        if (hMemDC != NULL) {
            HBITMAP hbmOld = (HBITMAP)SelectObject(hMemDC, g_hArtBitmap);
            BitBlt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, hMemDC, 0, 0, SRCCOPY);
            SelectObject(hMemDC, hbmOld);
            DeleteDC(hMemDC);
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_PAINT: PaintArtwork(hwnd); return 0;

    case WM_NCHITTEST:
        // The whole visible shape acts as a caption, so the system's own
        // move-window drag follows a press anywhere on it.
        return HTCAPTION;

    case WM_KEYDOWN:
        // Other keys are swallowed; system keystrokes come as WM_SYSKEYDOWN
        // and keep their default handling.
        if (wParam == VK_ESCAPE) PostQuitMessage(0);
        return 0;

    case WM_DESTROY: PostQuitMessage(0); return 0;

    case WM_LBUTTONDOWN:
        // Never sent by the system: every point answers HTCAPTION above, so a
        // press comes as WM_NCLBUTTONDOWN and starts the move. A press posted
        // straight to the window is swallowed, like the keys above, rather
        // than handed to the default procedure.
        return 0;
    }
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}
