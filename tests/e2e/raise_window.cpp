// Opens a window of its own over the top-left of the screen, brings it to the
// top as a window the user activates comes, and prints the class name of the
// window that a click at (X, Y) would reach: what a window kept on top must
// still be after another is raised.
//
//   raise_window X Y
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3) return 2;
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "RAISED";
    if (!RegisterClassA(&wc)) return 1;
    HWND hwnd = CreateWindowExA(0, "RAISED", nullptr, WS_POPUP | WS_VISIBLE, 0, 0, 640, 480, nullptr, nullptr,
                                wc.hInstance, nullptr);
    if (hwnd == nullptr) return 1;
    SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);

    POINT pt = {std::atoi(argv[1]), std::atoi(argv[2])};
    char szClass[64] = "";
    GetClassNameA(WindowFromPoint(pt), szClass, sizeof(szClass));
    std::printf("%s\n", szClass);
    DestroyWindow(hwnd);
    return 0;
}
