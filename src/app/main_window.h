// The program's one window: a borderless popup of the artwork's size, cut to
// the artwork's shape, painted with the artwork and dragged from any visible
// point.
#ifndef BRIMSHADE_MAIN_WINDOW_H
#define BRIMSHADE_MAIN_WINDOW_H

#include <windows.h>

// Pixels whose blue, green and red bytes all lie in 0..16 are cut away.
#define ART_KEY_COLOR 0x000000
#define ART_KEY_TOLERANCE 0x101010

// The artwork, loaded once before the window exists and kept until the
// process ends.
extern HBITMAP g_hArtBitmap;

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
