// The scan's use of movable memory, observed through the host stand-in: how
// much it holds, and what happens when the memory cannot be had.
#include "color_key_scan.h"
#include "global_memory_control.h"
#include "scan_harness.h"

#include <gtest/gtest.h>

namespace {

// 5,000 one-run rows: 19 growths in the first batch, two full hand-overs, and a
// final batch of 1,000.
const LONG kRows = 5000;

TEST(ColorKeyScanMemory, GrowsNineteenTimesAndNeverHoldsMoreThanAFullBatch)
{
    Surface surface = OneRunPerRow(kRows);
    ResetGlobalMemoryStats();
    ScanResult result = Scan(surface, 0, 0x101010);
    GLOBALMEMORYSTATS stats = GetGlobalMemoryStats();

    ASSERT_TRUE(result.complete);
    ASSERT_EQ(result.batches.size(), 3u);
    EXPECT_EQ(result.batches[2].header.nCount, 1000u);
    EXPECT_EQ(stats.nAllocCalls, 1);
    EXPECT_EQ(stats.nReAllocCalls, 19);
    EXPECT_EQ(stats.nLockCalls, 20);
    EXPECT_EQ(stats.cbLargestBlock, kFullBlockBytes);
    EXPECT_EQ(stats.nLiveBlocks, 0);
}

TEST(ColorKeyScanMemory, LargePictureStaysWithinOneFullBatch)
{
    Surface surface(3001, 40);
    for (LONG y = 0; y < 40; ++y)
        for (LONG x = 0; x < 3001; x += 2) surface.Set(x, y, 0x808080);
    ResetGlobalMemoryStats();
    ScanResult result = Scan(surface, 0, 0);
    GLOBALMEMORYSTATS stats = GetGlobalMemoryStats();

    ASSERT_TRUE(result.complete);
    EXPECT_EQ(result.AllRects().size(), 1501u * 40u);
    EXPECT_EQ(stats.nAllocCalls, 1);
    EXPECT_EQ(stats.cbLargestBlock, kFullBlockBytes);
    EXPECT_EQ(stats.nLiveBlocks, 0);
}

// Every allocation, growth and lock made in turn to fail: the scan reports it,
// hands nothing more over and frees what it holds. AddressSanitizer watches for
// writes through the failed allocation.
TEST(ColorKeyScanMemory, EachFailedAllocationGrowthOrLockStopsTheScanCleanly)
{
    Surface surface = OneRunPerRow(kRows);
    const struct {
        GlobalMemoryCall call;
        int count;
        const char *name;
    } kinds[] = {{GMC_ALLOC, 1, "GlobalAlloc"}, {GMC_REALLOC, 19, "GlobalReAlloc"}, {GMC_LOCK, 20, "GlobalLock"}};
    for (const auto &kind : kinds) {
        for (int nth = 1; nth <= kind.count; ++nth) {
            SCOPED_TRACE(testing::Message() << kind.name << " #" << nth << " fails");
            ResetGlobalMemoryStats();
            FailGlobalMemoryCall(kind.call, nth);
            ScanResult result = Scan(surface, 0, 0x101010);
            GLOBALMEMORYSTATS stats = GetGlobalMemoryStats();
            EXPECT_FALSE(result.complete);
            // All growths happen while the first batch fills, before any hand-over.
            EXPECT_TRUE(result.batches.empty());
            EXPECT_EQ(stats.nLiveBlocks, 0);
            EXPECT_EQ(stats.nReAllocCalls, kind.call == GMC_REALLOC ? nth : kind.call == GMC_LOCK ? nth - 1 : 0);
        }
    }
    ResetGlobalMemoryStats();
}

} // namespace
