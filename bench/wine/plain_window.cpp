// A popup of the program's size at the program's place, filled with one
// colour, that ends on Escape: wine's own start-up cost for one window.
#include <windows.h>

static LRESULT CALLBACK PlainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if ((uMsg == WM_KEYDOWN && wParam == VK_ESCAPE) || uMsg == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainWndProc;
    wc.hInstance = hInstance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = "PLAIN_WINDOW";
    if (!RegisterClassA(&wc)) return -1;
    HWND hwnd =
        CreateWindowExA(0, wc.lpszClassName, nullptr, WS_POPUP, 0, 0, 489, 317, nullptr, nullptr, hInstance, nullptr);
    if (hwnd == nullptr) return -1;
    ShowWindow(hwnd, nCmdShow);
    UpdateWindow(hwnd);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
