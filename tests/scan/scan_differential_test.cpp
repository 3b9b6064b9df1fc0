// Many random surfaces, each checked against a plain per-pixel reading of the
// colour key: the delivered rectangles must cover exactly the pixels that are
// not see-through, in scan order, cut into batches as promised.
#include "color_key_scan.h"
#include "rect_compare.h"
#include "scan_harness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

bool ReferenceSeeThrough(const BYTE *pPixel, DWORD key, DWORD tolerance)
{
    for (int c = 0; c < 3; ++c) {
        int lo = (key >> (8 * c)) & 0xFF;
        int hi = std::min(255, lo + static_cast<int>((tolerance >> (8 * c)) & 0xFF));
        if (pPixel[c] < lo || pPixel[c] > hi) return false;
    }
    return true;
}

class RandomSource {
public:
    explicit RandomSource(uint32_t seed) : engine_(seed) {}
    // Inclusive; std::mt19937's output is the same everywhere, unlike the distributions'.
    int Between(int lo, int hi) { return lo + static_cast<int>(engine_() % static_cast<uint32_t>(hi - lo + 1)); }
    uint32_t Bits() { return engine_(); }

private:
    std::mt19937 engine_;
};

// Pixels that cluster around the key window, so that runs and gaps both occur.
Surface RandomSurface(RandomSource &random, LONG width, LONG height, DWORD key, DWORD tolerance)
{
    Surface surface(width, height, 4 * random.Between(0, 3));
    for (BYTE &b : surface.bytes) b = static_cast<BYTE>(random.Bits()); // padding too: it must not matter
    int opaqueShare = random.Between(0, 100);
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            if (random.Between(1, 100) <= opaqueShare) continue; // keeps its random bytes
            BYTE *p = surface.Pixel(x, y);
            for (int c = 0; c < 3; ++c) {
                int lo = (key >> (8 * c)) & 0xFF;
                int span = (tolerance >> (8 * c)) & 0xFF;
                p[c] = static_cast<BYTE>(std::clamp(lo + random.Between(-1, span + 1), 0, 255));
            }
        }
    }
    return surface;
}

DWORD RandomTolerance(RandomSource &random)
{
    switch (random.Between(0, 3)) {
    case 0: return 0;
    case 1: return random.Bits() & 0x0F0F0F0F;
    case 2: return 0xFFFFFFFF;
    default: return random.Bits();
    }
}

void ExpectBatchesAsPromised(const ScanResult &result)
{
    ASSERT_TRUE(result.complete);
    ASSERT_FALSE(result.batches.empty());
    const size_t last = result.batches.size() - 1;
    DWORD largest = result.batches.size() > 1 ? RECT_BATCH_LIMIT : result.batches[0].header.nCount;
    DWORD capacity =
        std::max<DWORD>(RECT_BATCH_STEP, (largest + RECT_BATCH_STEP - 1) / RECT_BATCH_STEP * RECT_BATCH_STEP);
    for (size_t i = 0; i <= last; ++i) {
        const DeliveredBatch &batch = result.batches[i];
        SCOPED_TRACE(testing::Message() << "batch " << i);
        if (i < last)
            EXPECT_EQ(batch.header.nCount, static_cast<DWORD>(RECT_BATCH_LIMIT));
        else
            EXPECT_LT(batch.header.nCount, static_cast<DWORD>(RECT_BATCH_LIMIT));
        EXPECT_EQ(batch.header.dwSize, sizeof(RGNDATAHEADER));
        EXPECT_EQ(batch.header.iType, static_cast<DWORD>(RDH_RECTANGLES));
        EXPECT_EQ(batch.header.nRgnSize, 0u);
        EXPECT_EQ(batch.cbBatch, BatchBlockBytes(capacity));
        EXPECT_LE(batch.cbBatch, kFullBlockBytes);

        RECT bound = MakeRect(MAXLONG, MAXLONG, 0, 0);
        for (const RECT &rc : batch.rects) {
            bound.left = std::min(bound.left, rc.left);
            bound.top = std::min(bound.top, rc.top);
            bound.right = std::max(bound.right, rc.right);
            bound.bottom = std::max(bound.bottom, rc.bottom);
        }
        EXPECT_EQ(batch.header.rcBound, bound);
    }
}

void ExpectRectanglesCoverExactlyTheOpaquePixels(Surface &surface, DWORD key, DWORD tolerance,
                                                 const std::vector<RECT> &rects)
{
    std::vector<int> covered(static_cast<size_t>(surface.width) * surface.height);
    for (size_t i = 0; i < rects.size(); ++i) {
        const RECT &rc = rects[i];
        ASSERT_EQ(rc.bottom, rc.top + 1) << "rectangle " << i;
        ASSERT_TRUE(rc.top >= 0 && rc.top < surface.height && rc.left >= 0 && rc.left < rc.right &&
                    rc.right <= surface.width)
            << "rectangle " << i;
        if (i > 0) {
            const RECT &prev = rects[i - 1];
            // Rows from the top, left to right, and never touching within a row.
            ASSERT_TRUE(prev.top < rc.top || (prev.top == rc.top && prev.right < rc.left)) << "rectangle " << i;
        }
        for (LONG x = rc.left; x < rc.right; ++x) ++covered[static_cast<size_t>(rc.top) * surface.width + x];
    }
    for (LONG y = 0; y < surface.height; ++y)
        for (LONG x = 0; x < surface.width; ++x)
            ASSERT_EQ(covered[static_cast<size_t>(y) * surface.width + x],
                      ReferenceSeeThrough(surface.Pixel(x, y), key, tolerance) ? 0 : 1)
                << "pixel (" << x << ", " << y << ")";
}

void CheckRandomSurfaces(uint32_t seed, int count, int maxWidth, int maxHeight)
{
    RandomSource random(seed);
    for (int i = 0; i < count; ++i) {
        LONG width = random.Between(0, maxWidth);
        LONG height = random.Between(0, maxHeight);
        DWORD key = random.Bits();
        DWORD tolerance = RandomTolerance(random);
        Surface surface = RandomSurface(random, width, height, key, tolerance);
        SCOPED_TRACE(testing::Message() << "seed " << seed << " case " << i << ": " << width << " x " << height
                                        << " stride " << surface.stride << std::hex << " key " << key << " tolerance "
                                        << tolerance);
        ScanResult result = Scan(surface, key, tolerance);
        ExpectBatchesAsPromised(result);
        ExpectRectanglesCoverExactlyTheOpaquePixels(surface, key, tolerance, result.AllRects());
        if (testing::Test::HasFatalFailure()) return;
    }
}

TEST(ColorKeyScanDifferential, SmallSurfacesMatchThePerPixelReference)
{
    CheckRandomSurfaces(1, 3000, 40, 24);
}

TEST(ColorKeyScanDifferential, SurfacesOfManyBatchesMatchThePerPixelReference)
{
    CheckRandomSurfaces(2, 40, 700, 90);
}

} // namespace
