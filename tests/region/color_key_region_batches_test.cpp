// The conversion of pictures of many batches: the region it unites them into,
// how much of it the unions copy, and what it releases when any request fails
// among them.
#include "api_hooks.h"
#include "call_trace.h"
#include "color_key_region.h"
#include "color_key_scan.h"
#include "conversion_test.h"
#include "gdi_objects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace {

const int kWidth = 1000;

// Exactly 250 one-pixel runs in every row, at places that change every three
// rows: eight rows fill a batch, and equal rows that straddle two batches
// test that the union merges them.
bool Speckled(int x, int y)
{
    return x % 4 == static_cast<int>(Mix(x / 4, y / 3) % 3);
}

// The number of batches the scan hands over for a picture of this height.
int BatchesFor(int height)
{
    return height / 8 + 1;
}

// The region that uniting the scan's batches one after another into the first
// gives: what the conversion must still give, whatever order it unites them in.
HRGN UnitedInTurn(int width, int height, const OpaqueRule &opaque)
{
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels[static_cast<size_t>(height - 1 - y) * width + x] = opaque(x, y) ? 0xFFFFFF : 0;
    HRGN hRgn = nullptr;
    ScanColorKeyRuns(reinterpret_cast<const BYTE *>(pixels.data()), width, height, width * 4, ART_KEY_COLOR,
                     ART_KEY_TOLERANCE, UniteBatchInTurn, &hRgn);
    return hRgn;
}

// What the unions of one conversion did, read from its calls: how many
// batches' worth of rectangles they read in all (a union reads both of its
// regions) and the most batch regions alive at once.
struct UnionWork {
    size_t batchesRead = 0;
    size_t mostAlive = 0;
};

UnionWork WorkOf(const std::vector<ApiCall> &calls)
{
    UnionWork work;
    std::map<uintptr_t, size_t> batchesIn; // live region -> batches united into it
    for (const ApiCall &call : calls) {
        if (call.api == Api::ExtCreateRegion && call.result) {
            batchesIn[call.result] = 1;
            work.mostAlive = std::max(work.mostAlive, batchesIn.size());
        } else if (call.api == Api::CombineRgn) {
            work.batchesRead += batchesIn[call.args[1]] + batchesIn[call.args[2]];
            batchesIn[call.args[0]] = batchesIn[call.args[1]] + batchesIn[call.args[2]];
        } else if (call.api == Api::DeleteObject) {
            batchesIn.erase(call.args[0]);
        }
    }
    return work;
}

using ColorKeyRegionBatches = ConversionTest;

// Batch counts around every power of two up to 64, and heights that fill the
// last batch exactly, so that the final one is empty.
TEST_F(ColorKeyRegionBatches, AnyNumberOfBatchesGivesTheRegionOfUnitingThemInTurn)
{
    std::vector<int> heights;
    for (int batches : {1, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65})
        heights.push_back(8 * (batches - 1) + 5);
    for (int fullBatches : {1, 2, 3, 4, 8}) heights.push_back(8 * fullBatches);

    for (int height : heights) {
        SCOPED_TRACE("height " + std::to_string(height));
        HBITMAP hBmp = MaskPicture(kWidth, height, Speckled);
        ASSERT_NE(hBmp, nullptr);
        HRGN hRgn = Convert(hBmp);
        ASSERT_NE(hRgn, nullptr);
        EXPECT_EQ(CallsOf(calls_, Api::ExtCreateRegion).size(), static_cast<size_t>(BatchesFor(height)));
        EXPECT_EQ(Bits(hRgn), CallsOf(calls_, Api::ExtCreateRegion)[0].result) << "not united into the first";
        ExpectReleasedInOrder(calls_, Bits(hRgn));

        HRGN hInTurn = UnitedInTurn(kWidth, height, Speckled);
        EXPECT_EQ(RegionData(hRgn), RegionData(hInTurn));
        EXPECT_EQ(RegionMask(hRgn, kWidth, height), MaskOf(kWidth, height, Speckled));
        DeleteObject(hInTurn);
        DeleteObject(hRgn);
        DeleteObject(hBmp);
    }
}

// Uniting each batch into one growing region would read about n^2 / 2 batches'
// worth of rectangles for n batches, and so take time growing with the square
// of the picture; pairing regions of equal size reads each batch about log2 n
// times and keeps about log2 n regions alive.
TEST_F(ColorKeyRegionBatches, UnionsReadEachBatchAboutLogTimes)
{
    for (int batches : {100, 257}) {
        SCOPED_TRACE(std::to_string(batches) + " batches");
        int height = 8 * (batches - 1) + 5;
        HBITMAP hBmp = MaskPicture(kWidth, height, Speckled);
        HRGN hRgn = Convert(hBmp);
        ASSERT_NE(hRgn, nullptr);
        ASSERT_EQ(CallsOf(calls_, Api::ExtCreateRegion).size(), static_cast<size_t>(batches));
        EXPECT_EQ(CallsOf(calls_, Api::CombineRgn).size(), static_cast<size_t>(batches - 1));

        UnionWork work = WorkOf(calls_);
        size_t levels = static_cast<size_t>(std::floor(std::log2(batches)));
        EXPECT_LE(work.batchesRead, batches * (levels + 2));
        EXPECT_LE(work.mostAlive, levels + 2);
        DeleteObject(hRgn);
        DeleteObject(hBmp);
    }
}

// Whenever a request fails, several batch regions of different sizes may be
// waiting to be united: all of them go, and no part of the shape is returned.
TEST_F(ColorKeyRegionBatches, EachFailureAmongManyBatchesGivesNullAndReleasesEverything)
{
    const int batches = 11;
    HBITMAP hBmp = MaskPicture(kWidth, 8 * (batches - 1) + 5, Speckled);
    for (int nth = 1; nth <= batches; ++nth) {
        SCOPED_TRACE("batch region " + std::to_string(nth) + " fails");
        StartRecording();
        FailCall(Api::ExtCreateRegion, nth);
        EXPECT_EQ(CreateColorKeyRegion(hBmp, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
        calls_ = StopRecording();
        ExpectReleasedInOrder(calls_, 0);
    }
    for (int nth = 1; nth < batches; ++nth) {
        SCOPED_TRACE("union " + std::to_string(nth) + " fails");
        StartRecording();
        FailCall(Api::CombineRgn, nth);
        EXPECT_EQ(CreateColorKeyRegion(hBmp, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
        calls_ = StopRecording();
        ExpectReleasedInOrder(calls_, 0);
    }
    DeleteObject(hBmp);
}

// After a failure no later batch may become a region: with no unions to keep
// them few, the regions waiting to be united would outgrow their room once
// more than 32 batches follow.
TEST_F(ColorKeyRegionBatches, NoBatchBecomesARegionAfterAFailure)
{
    const int batches = 40;
    HBITMAP hBmp = MaskPicture(kWidth, 8 * (batches - 1) + 5, Speckled);
    for (Api failing : {Api::ExtCreateRegion, Api::CombineRgn}) {
        SCOPED_TRACE(failing == Api::ExtCreateRegion ? "second batch region fails" : "first union fails");
        StartRecording();
        FailCall(failing, failing == Api::ExtCreateRegion ? 2 : 1);
        EXPECT_EQ(CreateColorKeyRegion(hBmp, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
        calls_ = StopRecording();
        EXPECT_EQ(CallsOf(calls_, Api::ExtCreateRegion).size(), 2u);
        ExpectReleasedInOrder(calls_, 0);
    }
    DeleteObject(hBmp);
}

} // namespace
