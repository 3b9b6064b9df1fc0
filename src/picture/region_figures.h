// The window's region as the program makes it from a judged picture, in
// figures: found with the program's own scan, key and tolerance.
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
};

RegionFigures MeasureRegion(const Picture &picture);

#endif
