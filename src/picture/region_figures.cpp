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
    batch.bounds = {rdh.rcBound.left, rdh.rcBound.top, rdh.rcBound.right, rdh.rcBound.bottom};
    batch.blockBytes = cbBatch;
    figures.batches.push_back(batch);
    figures.rectangles += rdh.nCount;
    figures.largestBlockBytes = std::max(figures.largestBlockBytes, static_cast<uint32_t>(cbBatch));
    if (rdh.nCount == 0) return;
    const RECT *pRects = reinterpret_cast<const RECT *>(pBatch->Buffer);
    for (DWORD i = 0; i < rdh.nCount; ++i) ++tally.runsPerRow[pRects[i].top];
    Bounds &box = figures.box;
    if (figures.empty) {
        box = batch.bounds;
        figures.empty = false;
        return;
    }
    box.left = std::min(box.left, batch.bounds.left);
    box.top = std::min(box.top, batch.bounds.top);
    box.right = std::max(box.right, batch.bounds.right);
    box.bottom = std::max(box.bottom, batch.bounds.bottom);
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
