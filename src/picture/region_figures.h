// The window's region as the program makes it from a picture whose shape is
// in its colours, in figures: found with the program's own scan, and its key
// and tolerance unless others are given.
#ifndef BRIMSHADE_REGION_FIGURES_H
#define BRIMSHADE_REGION_FIGURES_H

#include "picture.h"

#include <windows.h>

#include <cstdint>
#include <vector>

struct BatchFigures {
    uint32_t rectangles = 0;
    RECT rcBound = {};
    uint32_t blockBytes = 0; // the batch's whole block, header and room
};

struct RegionFigures {
    bool scanned = false; // false when the scan ran out of memory
    uint64_t rectangles = 0;
    std::vector<BatchFigures> batches;
    uint32_t largestBlockBytes = 0;
    int busiestRow = -1; // the first row with the most runs; -1 when there are none
    uint32_t busiestRowRuns = 0;
    bool empty = true;
    RECT rcBox = {}; // of every rectangle, when not empty
    // The rectangles of the region as the platform holds it, in bands: a row
    // whose runs are exactly those of the row just above it adds none, as its
    // runs only make the band above taller.
    uint64_t bandedRectangles = 0;
};

// The most rectangles a window's shape can have under Wine on X11. Wine sets
// the whole region as the window's shape in one X request (ShapeRectangles:
// 16 bytes of header and 8 a rectangle), and that request is made without
// the BIG-REQUESTS form, so its length in 4-byte units must fit 16 bits:
// (16 + 8 n) / 4 <= 65535 gives n <= 32765. One rectangle more and the
// length wraps: the X server reads the request as something else, and the
// program ends with an X error or hangs, never showing its window. Found with
// Wine 8.0 on Xvfb; the end-to-end test ShapeLimitTest holds it there.
constexpr uint64_t kX11ShapeRectangleLimit = 32765;

inline bool TooComplexForX11(const RegionFigures &figures)
{
    return figures.bandedRectangles > kX11ShapeRectangleLimit;
}

RegionFigures MeasureRegion(const Picture &picture, uint32_t key = ART_KEY_COLOR,
                            uint32_t tolerance = ART_KEY_TOLERANCE);

#endif
