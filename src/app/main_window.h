// The program's one window: a borderless popup of the artwork's size, cut to
// the artwork's shape, painted with the artwork and dragged from any visible
// point.
#ifndef BRIMSHADE_MAIN_WINDOW_H
#define BRIMSHADE_MAIN_WINDOW_H

#include <windows.h>

// The artwork, loaded once before the window exists and kept until the
// process ends.
extern HBITMAP g_hArtBitmap;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
