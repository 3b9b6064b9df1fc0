// The GDI objects the tests and the wine benchmarks make and read for
// themselves, apart from the code under test: DIB sections of any format,
// the artwork as the program loads it, and a region's data. No GoogleTest
// here, so that the benchmarks link it too.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

// Sets a DIB section's pixels: bits is the first row in memory (the bottom
// row of a bottom-up section), stride the bytes from one row to the next.
using DibFill = std::function<void(BYTE *bits, int stride)>;

// A DIB section of the given size, bit count and colour table, its pixels set
// by fill; null when the platform refuses it.
HBITMAP MakeDibSection(int width, int height, int bitCount, const std::vector<RGBQUAD> &colors, const DibFill &fill,
                       bool topDown = false);

// An 8-bit bottom-up DIB section whose pixel (x, y), y counted from the top,
// has the palette index index(x, y).
HBITMAP MakeIndexedDib(int width, int height, const std::vector<RGBQUAD> &palette,
                       const std::function<BYTE(int x, int y)> &index);

// The artwork as the program loads it: resource 101 of this test program, as
// a DIB section. Null when the program does not carry it.
HBITMAP LoadArtworkResource();

// The region's data as GetRegionData gives it, header and rectangles; empty
// when it gives none.
std::vector<BYTE> RegionData(HRGN hRgn);

// A batch sink (color_key_scan.h) that unites each batch's region, in turn,
// into the HRGN that pContext points at, which starts null and becomes the
// first batch's region: the way the conversion once made its region, against
// which its pairwise unions are checked and timed.
void UniteBatchInTurn(const RGNDATA *pBatch, DWORD cbBatch, void *pContext);
