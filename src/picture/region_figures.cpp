#include "region_figures.h"

#include "color_key_scan.h"

#include <algorithm>

namespace {

// The program's key: black, with 16 above it in each of blue, green and red.
constexpr DWORD kKey = 0x000000;
constexpr DWORD kTolerance = 0x101010;

struct Tally {
    RegionFigures *pFigures;
    std::vector<uint32_t> runsPerRow;
};

void CountBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    Tally &tally = *static_cast<Tally *>(pContext);
    RegionFigures &figures = *tally.pFigures;
    const RGNDATAHEADER &rdh = pBatch->rdh;
    BatchFigures batch;
    batch.rectangles = rdh.nCount;
    batch.rcBound = rdh.rcBound;
    batch.blockBytes = cbBatch;
    figures.batches.push_back(batch);
    figures.rectangles += rdh.nCount;
    figures.largestBlockBytes = std::max(figures.largestBlockBytes, static_cast<uint32_t>(cbBatch));
    if (rdh.nCount == 0) return;
    const RECT *pRects = reinterpret_cast<const RECT *>(pBatch->Buffer);
    for (DWORD i = 0; i < rdh.nCount; ++i) ++tally.runsPerRow[pRects[i].top];
    RECT &rcBox = figures.rcBox;
    if (figures.empty) {
        rcBox = rdh.rcBound;
        figures.empty = false;
        return;
    }
    rcBox.left = std::min(rcBox.left, rdh.rcBound.left);
    rcBox.top = std::min(rcBox.top, rdh.rcBound.top);
    rcBox.right = std::max(rcBox.right, rdh.rcBound.right);
    rcBox.bottom = std::max(rcBox.bottom, rdh.rcBound.bottom);
}

} // namespace

RegionFigures MeasureRegion(const Picture &picture)
{
    RegionFigures figures;
    Tally tally{&figures, std::vector<uint32_t>(picture.height)};
    figures.scanned = ScanColorKeyRuns(picture.pixels.data(), picture.width, picture.height, 4 * picture.width, kKey,
                                       kTolerance, CountBatch, &tally) != FALSE;
    const auto busiest = std::max_element(tally.runsPerRow.begin(), tally.runsPerRow.end());
    if (busiest != tally.runsPerRow.end() && *busiest > 0) {
        figures.busiestRow = static_cast<int>(busiest - tally.runsPerRow.begin());
        figures.busiestRowRuns = *busiest;
    }
    return figures;
}
