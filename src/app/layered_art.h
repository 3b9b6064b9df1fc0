// The artwork with soft edges: when its bitmap carries an alpha channel, the
// window is a layered window on which the system blends each pixel with what
// lies below by the pixel's own alpha, and lets clicks through where alpha is
// 0. Without an alpha channel the program cuts its window to a region as it
// always has.
#ifndef BRIMSHADE_LAYERED_ART_H
#define BRIMSHADE_LAYERED_ART_H

#include <windows.h>

// Whether the artwork resource's header says that the fourth byte of each
// 32-bit pixel is alpha: a BITMAPV4HEADER or later, BI_BITFIELDS, with blue,
// green, red and alpha in bytes 0 to 3.
BOOL ArtworkHasAlpha(HINSTANCE hInstance);

// Puts the artwork, its colours premultiplied by its alpha as the system
// blends them, on hwnd, a window created with WS_EX_LAYERED at the artwork's
// size. FALSE if the copy or the update fails: the window then shows nothing.
BOOL ShowArtOnLayeredWindow(HWND hwnd, HBITMAP hbmArt);

#endif
