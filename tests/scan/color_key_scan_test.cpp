// The scan's contract, case by case: what is see-through, which rectangles come
// out, and how they are cut into batches.
#include "color_key_scan.h"
#include "rect_compare.h"
#include "scan_harness.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const RECT kResetBound = MakeRect(MAXLONG, MAXLONG, 0, 0);

// Which pixels of a one-row surface the scan leaves out of every rectangle.
std::vector<bool> SeeThroughOfRow(const std::vector<uint32_t> &pixels, DWORD key, DWORD tolerance)
{
    Surface surface(static_cast<LONG>(pixels.size()), 1);
    for (size_t x = 0; x < pixels.size(); ++x) surface.Set(static_cast<LONG>(x), 0, pixels[x]);
    std::vector<bool> seeThrough(pixels.size(), true);
    for (const RECT &rc : Scan(surface, key, tolerance).AllRects())
        for (LONG x = rc.left; x < rc.right; ++x) seeThrough[x] = false;
    return seeThrough;
}

TEST(ColorKeyScan, AllSeeThroughDeliversOneEmptyBatchInTheInitialBlock)
{
    Surface surface(7, 5, 0, 0x101010);
    ScanResult result = Scan(surface, 0x000000, 0x101010);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.batches.size(), 1u);
    const DeliveredBatch &batch = result.batches[0];
    EXPECT_EQ(batch.header.dwSize, 32u);
    EXPECT_EQ(batch.header.iType, static_cast<DWORD>(RDH_RECTANGLES));
    EXPECT_EQ(batch.header.nCount, 0u);
    EXPECT_EQ(batch.header.nRgnSize, 0u);
    EXPECT_EQ(batch.header.rcBound, kResetBound);
    EXPECT_EQ(batch.cbBatch, kFirstBlockBytes);
}

TEST(ColorKeyScan, NoSeeThroughGivesOneFullWidthRectanglePerRow)
{
    Surface surface(9, 4, 0, 0x112233);
    ScanResult result = Scan(surface, 0x000000, 0x101010);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.batches.size(), 1u);
    std::vector<RECT> expected;
    for (LONG y = 0; y < 4; ++y) expected.push_back(MakeRect(0, y, 9, y + 1));
    EXPECT_EQ(result.batches[0].rects, expected);
    EXPECT_EQ(result.batches[0].header.rcBound, MakeRect(0, 0, 9, 4));
}

TEST(ColorKeyScan, RunsOfARowStartAndEndWhereTheSeeThroughPixelsAre)
{
    // Rows from the top: see-through edges, single pixels, a run to the end.
    const char *rows[] = {"..XX.X...XX", "X.X.X.X.XXX", "XXXXXXXXXX.", "..........."};
    Surface surface(11, 4);
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 11; ++x) surface.Set(x, y, rows[y][x] == 'X' ? 0xFFFFFF : 0x000000);
    std::vector<RECT> expected = {
        MakeRect(2, 0, 4, 1), MakeRect(5, 0, 6, 1), MakeRect(9, 0, 11, 1), MakeRect(0, 1, 1, 2),  MakeRect(2, 1, 3, 2),
        MakeRect(4, 1, 5, 2), MakeRect(6, 1, 7, 2), MakeRect(8, 1, 11, 2), MakeRect(0, 2, 10, 3),
    };
    ScanResult result = Scan(surface, 0x000000, 0x101010);
    EXPECT_EQ(result.AllRects(), expected);
    EXPECT_EQ(result.batches[0].header.rcBound, MakeRect(0, 0, 11, 3));
}

TEST(ColorKeyScan, SurfacesWithoutPixelsDeliverOnlyTheEmptyFinalBatch)
{
    const LONG sizes[][2] = {{0, 0}, {0, 5}, {5, 0}, {-1, 5}, {5, -3}, {-7, -7}, {MAXLONG, 0}, {0, MAXLONG}};
    for (const auto &size : sizes) {
        SCOPED_TRACE(testing::Message() << size[0] << " x " << size[1]);
        ScanResult result{};
        result.complete = ScanColorKeyRuns(nullptr, size[0], size[1], 0, 0, 0, RecordBatch, &result);
        EXPECT_TRUE(result.complete);
        ASSERT_EQ(result.batches.size(), 1u);
        EXPECT_EQ(result.batches[0].header.nCount, 0u);
        EXPECT_EQ(result.batches[0].header.rcBound, kResetBound);
        EXPECT_EQ(result.batches[0].cbBatch, kFirstBlockBytes);
    }
}

TEST(ColorKeyScan, ToleranceWidensTheKeyUpwardsInclusivelyAndClampsAt255)
{
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(testing::Message() << "component " << c);
        const int shift = 8 * c;
        // 0x80 + 0x10: 0x80..0x90 inclusive.
        EXPECT_EQ(SeeThroughOfRow({0x7Fu << shift, 0x80u << shift, 0x90u << shift, 0x91u << shift}, 0x80u << shift,
                                  0x10u << shift),
                  (std::vector<bool>{false, true, true, false}));
        // 0xF0 + 0x20 is clamped to 0xF0..0xFF, not wrapped to 0xF0..0x10.
        EXPECT_EQ(SeeThroughOfRow({0xEFu << shift, 0xF0u << shift, 0xFFu << shift, 0x05u << shift}, 0xF0u << shift,
                                  0x20u << shift),
                  (std::vector<bool>{false, true, true, false}));
    }
}

TEST(ColorKeyScan, NearBlackKeyCutsAwayEachByteUpTo16)
{
    EXPECT_EQ(
        SeeThroughOfRow({0x000000, 0x101010, 0x080C10, 0x000011, 0x001100, 0x110000, 0x111111}, 0x000000, 0x101010),
        (std::vector<bool>{true, true, true, false, false, false, false}));
}

TEST(ColorKeyScan, KeyComponentsPairWithPixelBytesInStoredOrder)
{
    // Component 0 of the key bounds byte 0 (blue in a BI_RGB surface), even
    // though a COLORREF keeps red there.
    EXPECT_EQ(SeeThroughOfRow({0x000040, 0x400000, 0x004000}, 0x000040, 0), (std::vector<bool>{true, false, false}));
}

TEST(ColorKeyScan, ByteThreeAndKeyBits24To31AreIgnored)
{
    EXPECT_EQ(SeeThroughOfRow({0x00000000, 0x7F000000, 0xFF000000, 0xFF000020}, 0xAB000000, 0xCD101010),
              (std::vector<bool>{true, true, true, false}));
}

TEST(ColorKeyScan, RowPaddingIsNeverReadAsPixels)
{
    // Padding that would be opaque if read, after see-through pixels.
    Surface seeThrough(3, 4, 12);
    std::fill(seeThrough.bytes.begin(), seeThrough.bytes.end(), 0xFF);
    for (LONG y = 0; y < 4; ++y)
        for (LONG x = 0; x < 3; ++x) seeThrough.Set(x, y, 0);
    EXPECT_TRUE(Scan(seeThrough, 0, 0).AllRects().empty());

    // Padding that would be see-through if read, after opaque pixels: runs
    // still end at the width.
    Surface opaque(3, 2, 8, 0xFFFFFF);
    std::vector<RECT> expected = {MakeRect(0, 0, 3, 1), MakeRect(0, 1, 3, 2)};
    EXPECT_EQ(Scan(opaque, 0, 0).AllRects(), expected);
}

TEST(ColorKeyScan, BlockGrowsBy100BeforeTheRectangleThatNeedsIt)
{
    // The size passed with the final batch shows the capacity at the end.
    EXPECT_EQ(Scan(OneRunPerRow(100), 0, 0x101010).batches.back().cbBatch, kFirstBlockBytes);
    EXPECT_EQ(Scan(OneRunPerRow(101), 0, 0x101010).batches.back().cbBatch, BatchBlockBytes(2 * RECT_BATCH_STEP));
    EXPECT_EQ(Scan(OneRunPerRow(1901), 0, 0x101010).batches.back().cbBatch, kFullBlockBytes);

    ScanResult result = Scan(OneRunPerRow(101), 0, 0x101010);
    ASSERT_EQ(result.batches.size(), 1u);
    ASSERT_EQ(result.batches[0].rects.size(), 101u);
    for (LONG y = 0; y < 101; ++y) EXPECT_EQ(result.batches[0].rects[y], MakeRect(0, y, 1, y + 1));
}

TEST(ColorKeyScan, The2000thRectangleHandsOverAndTheNextStartsAFreshBatch)
{
    ScanResult result = Scan(OneRunPerRow(2001), 0, 0x101010);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.batches.size(), 2u);

    const DeliveredBatch &full = result.batches[0];
    EXPECT_EQ(full.header.nCount, 2000u);
    EXPECT_EQ(full.cbBatch, kFullBlockBytes);
    EXPECT_EQ(full.header.rcBound, MakeRect(0, 0, 1, 2000));
    EXPECT_EQ(full.rects.back(), MakeRect(0, 1999, 1, 2000));

    const DeliveredBatch &last = result.batches[1];
    EXPECT_EQ(last.header.nCount, 1u);
    EXPECT_EQ(last.cbBatch, kFullBlockBytes); // the capacity does not shrink
    EXPECT_EQ(last.rects[0], MakeRect(0, 2000, 1, 2001));
    EXPECT_EQ(last.header.rcBound, MakeRect(0, 2000, 1, 2001));
    EXPECT_EQ(last.header.dwSize, 32u);
    EXPECT_EQ(last.header.iType, static_cast<DWORD>(RDH_RECTANGLES));
}

TEST(ColorKeyScan, ExactMultipleOf2000EndsWithAnEmptyFullSizeBatch)
{
    // Two runs a row, the first batch wide on the left, the second on the
    // right, so each bound must forget the batch before it.
    Surface surface(5, 2000);
    for (LONG y = 0; y < 2000; ++y) {
        surface.Set(2, y, 0xFFFFFF);
        surface.Set(y < 1000 ? 0 : 4, y, 0xFFFFFF);
    }
    ScanResult result = Scan(surface, 0, 0x101010);
    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.batches.size(), 3u);
    EXPECT_EQ(result.batches[0].header.nCount, 2000u);
    EXPECT_EQ(result.batches[0].header.rcBound, MakeRect(0, 0, 3, 1000));
    EXPECT_EQ(result.batches[1].header.nCount, 2000u);
    EXPECT_EQ(result.batches[1].header.rcBound, MakeRect(2, 1000, 5, 2000));
    EXPECT_EQ(result.batches[2].header.nCount, 0u);
    EXPECT_EQ(result.batches[2].header.rcBound, kResetBound);
    for (const DeliveredBatch &batch : result.batches) EXPECT_EQ(batch.cbBatch, kFullBlockBytes);
}

} // namespace
