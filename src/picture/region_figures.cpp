#include "region_figures.h"

#include "art_key.h"
#include "color_key_scan.h"

#include <algorithm>

namespace {

// Counts rectangles as the platform bands them. The runs come row by row from
// the top; a row can be split between two batches, so the count lives across
// them. Rows without runs never appear, so a row joins the band above only if
// it is the very next row and its runs are the same.
struct BandCount {
    std::vector<RECT> lastRow, thisRow;
    LONG lastTop = 0, thisTop = 0;
    uint64_t rectangles = 0;
};

bool SameRuns(const std::vector<RECT> &row, const std::vector<RECT> &otherRow)
{
    return row.size() == otherRow.size() &&
           std::equal(row.begin(), row.end(), otherRow.begin(), [](const RECT &rc, const RECT &rcOther) {
               return rc.left == rcOther.left && rc.right == rcOther.right;
           });
}

void EndRow(BandCount *pBands)
{
    if (pBands->thisRow.empty()) return;
    const bool joinsBandAbove = pBands->thisTop == pBands->lastTop + 1 && SameRuns(pBands->thisRow, pBands->lastRow);
    if (!joinsBandAbove) pBands->rectangles += pBands->thisRow.size();
    pBands->lastRow.swap(pBands->thisRow);
    pBands->lastTop = pBands->thisTop;
    pBands->thisRow.clear();
}

// Takes the runs of a batch a row, or the part of one in the batch, at a time.
void AddRuns(BandCount *pBands, const RECT *pRects, DWORD nRects)
{
    for (DWORD i = 0; i < nRects;) {
        const LONG top = pRects[i].top;
        DWORD end = i + 1;
        while (end < nRects && pRects[end].top == top) ++end;
        if (top != pBands->thisTop) {
            EndRow(pBands);
            pBands->thisTop = top;
        }
        pBands->thisRow.insert(pBands->thisRow.end(), pRects + i, pRects + end);
        i = end;
    }
}

struct Tally {
    RegionFigures *pFigures;
    std::vector<uint32_t> runsPerRow;
    BandCount bands;
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
    AddRuns(&tally.bands, pRects, rdh.nCount);
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

RegionFigures MeasureRegion(const Picture &picture, uint32_t key, uint32_t tolerance)
{
    RegionFigures figures;
    Tally tally{&figures, std::vector<uint32_t>(picture.height), {}};
    figures.scanned = ScanColorKeyRuns(picture.pixels.data(), picture.width, picture.height, 4 * picture.width, key,
                                       tolerance, CountBatch, &tally) != FALSE;
    EndRow(&tally.bands);
    figures.bandedRectangles = tally.bands.rectangles;
    const auto busiest = std::max_element(tally.runsPerRow.begin(), tally.runsPerRow.end());
    if (busiest != tally.runsPerRow.end() && *busiest > 0) {
        figures.busiestRow = static_cast<int>(busiest - tally.runsPerRow.begin());
        figures.busiestRowRuns = *busiest;
    }
    return figures;
}
