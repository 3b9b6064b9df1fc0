// Turns a bitmap, a colour key and a tolerance into one region covering
// exactly the bitmap's pixels that are not see-through.
#ifndef BRIMSHADE_COLOR_KEY_REGION_H
#define BRIMSHADE_COLOR_KEY_REGION_H

#include <windows.h>

// hBmp may be of any format; it is neither changed nor deleted, and is in no
// device context on return. crKey and crTolerance bound the stored blue, green
// and red bytes as the colour-key scan describes. The region is in picture
// coordinates and belongs to the caller. Returns null when hBmp is null or not
// a bitmap, or when any part of the region could not be made: a region with
// part of the picture missing is never returned.
HRGN CreateColorKeyRegion(HBITMAP hBmp, COLORREF crKey, COLORREF crTolerance);

#endif
