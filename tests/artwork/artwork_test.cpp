// Checks the committed artwork against the figures the window depends on: its
// exact file layout, its colour table, which pixels are cut away, and the row
// runs the window's region is built from. Every figure is worked out here from
// the file's bytes; the run figures are also checked through the real scan.

#include "art_key.h"
#include "batch_blocks.h"
#include "bmp_reader.h"
#include "color_key_scan.h"
#include "near_black.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

namespace {

constexpr int kWidth = 489;
constexpr int kHeight = 317;
constexpr size_t kStride = 492; // 489 indices and 3 fill bytes
constexpr size_t kFileHeader = 14;
constexpr size_t kColourTable = kFileHeader + 40;
constexpr size_t kPixels = kColourTable + 256 * 4;

uint32_t Le16(const std::vector<uint8_t> &bytes, size_t at)
{
    return bytes[at] | bytes[at + 1] << 8;
}

uint32_t Le32(const std::vector<uint8_t> &bytes, size_t at)
{
    return Le16(bytes, at) | Le16(bytes, at + 2) << 16;
}

// The artwork file, its bytes and what the BMP reader makes of them,
// addressed in picture coordinates: y = 0 is the top row, which is stored last.
struct Artwork {
    std::vector<uint8_t> bytes;
    BmpPicture bmp;

    const uint8_t *Entry(int index) const { return &bmp.colourTable.at(4 * index); }
    const uint8_t *StoredRow(int y) const { return &bytes[kPixels + (kHeight - 1 - y) * kStride]; }
    int Index(int x, int y) const { return bmp.indices.at(static_cast<size_t>(kHeight - 1 - y) * kWidth + x); }

    bool EntryIsSeeThrough(int index) const
    {
        const uint8_t *bgr = Entry(index);
        return IsNearBlack(bgr[0], bgr[1], bgr[2]);
    }
    bool SeeThrough(int x, int y) const { return EntryIsSeeThrough(Index(x, y)); }
};

const Artwork &Art()
{
    static const Artwork art = [] {
        std::ifstream file(BRIMSHADE_ARTWORK_BMP, std::ios::binary);
        Artwork art{std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {}), {}};
        std::string error;
        if (!ReadBmp(art.bytes.data(), art.bytes.size(), &art.bmp, &error)) art.bytes.clear();
        return art;
    }();
    return art;
}

class ArtworkTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Art().bytes.size(), 157042u) << BRIMSHADE_ARTWORK_BMP; }
};

int CountSeeThrough(int x0, int y0, int x1, int y1) // inclusive bounds
{
    int count = 0;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) count += Art().SeeThrough(x, y);
    return count;
}

// Runs of pixels that stay in the window, found pixel by pixel.
std::vector<RECT> RunsByPixel()
{
    std::vector<RECT> runs;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            if (Art().SeeThrough(x, y)) continue;
            if (x > 0 && !Art().SeeThrough(x - 1, y)) {
                ++runs.back().right;
                continue;
            }
            runs.push_back(RECT{x, y, x + 1, y + 1});
        }
    return runs;
}

TEST_F(ArtworkTest, HeadersDescribeA489By317BottomUp8BitPicture)
{
    const std::vector<uint8_t> &b = Art().bytes;
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(Le32(b, 2), 157042u); // the packed DIB is 157,028 bytes
    EXPECT_EQ(Le32(b, 6), 0u);
    EXPECT_EQ(Le32(b, 10), kPixels);

    const size_t info = kFileHeader;
    EXPECT_EQ(Le32(b, info + 0), 40u);
    EXPECT_EQ(Le32(b, info + 4), 489u);
    EXPECT_EQ(Le32(b, info + 8), 317u);
    EXPECT_EQ(Le16(b, info + 12), 1u);
    EXPECT_EQ(Le16(b, info + 14), 8u);
    EXPECT_EQ(Le32(b, info + 16), 0u); // BI_RGB
    EXPECT_EQ(Le32(b, info + 20), 155964u);
    EXPECT_EQ(Le32(b, info + 24), 0u);
    EXPECT_EQ(Le32(b, info + 28), 0u);
    EXPECT_EQ(Le32(b, info + 32), 0u); // all 256 entries
    EXPECT_EQ(Le32(b, info + 36), 0u);
}

TEST_F(ArtworkTest, ColourEntriesAndRowFillBytesHoldZeros)
{
    for (int i = 0; i < 256; ++i) EXPECT_EQ(Art().Entry(i)[3], 0) << "entry " << i;
    for (int y = 0; y < kHeight; ++y)
        for (size_t x = kWidth; x < kStride; ++x) EXPECT_EQ(Art().StoredRow(y)[x], 0) << y;
}

TEST_F(ArtworkTest, OnlyBlackAndTwoDarkGreysAreSeeThrough)
{
    std::set<int> seeThrough;
    for (int i = 0; i < 256; ++i)
        if (Art().EntryIsSeeThrough(i)) seeThrough.insert(i);
    EXPECT_EQ(seeThrough, (std::set<int>{0, 11, 12, 245}));

    auto grey = [](int index) {
        const uint8_t *bgr = Art().Entry(index);
        return bgr[0] == bgr[1] && bgr[1] == bgr[2] ? bgr[0] : -1;
    };
    EXPECT_EQ(grey(0), 0);
    EXPECT_EQ(grey(11), 8);
    EXPECT_EQ(grey(12), 16); // see-through only because the bound is inclusive
    EXPECT_EQ(grey(245), 0);
}

TEST_F(ArtworkTest, UsesAllEntriesButSixteen)
{
    std::vector<int> uses(256);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) ++uses[Art().Index(x, y)];
    std::vector<int> unused;
    for (int i = 0; i < 256; ++i)
        if (uses[i] == 0) unused.push_back(i);
    EXPECT_EQ(unused, (std::vector<int>{1, 2, 3, 4, 5, 6, 41, 245, 247, 249, 250, 251, 252, 253, 254, 255}));

    EXPECT_EQ(uses[0], 17087);
    EXPECT_EQ(uses[11], 9585);
    EXPECT_EQ(uses[12], 5763);
    EXPECT_EQ(CountSeeThrough(0, 0, kWidth - 1, kHeight - 1), 32435);
}

TEST_F(ArtworkTest, TopBandLastColumnAndLastRowAreCutAway)
{
    EXPECT_EQ(CountSeeThrough(0, 0, kWidth - 1, 46), 18367);
    EXPECT_EQ(CountSeeThrough(kWidth - 1, 0, kWidth - 1, kHeight - 1), kHeight);
    EXPECT_EQ(CountSeeThrough(0, kHeight - 1, kWidth - 1, kHeight - 1), kWidth);
    // Rows 1 to 8 keep only the frame's two side lines.
    for (int y = 1; y <= 8; ++y)
        for (int x = 0; x < kWidth; ++x) EXPECT_EQ(Art().SeeThrough(x, y), x != 0 && x != 487) << x << "," << y;
}

TEST_F(ArtworkTest, RowRunsHaveTheirFigures)
{
    const std::vector<RECT> runs = RunsByPixel();
    ASSERT_EQ(runs.size(), 2944u);
    std::vector<int> perRow(kHeight);
    for (const RECT &run : runs) ++perRow[run.top];

    EXPECT_EQ(perRow[kHeight - 1], 0);
    EXPECT_EQ(std::count(perRow.begin(), perRow.end(), 1), 43);
    EXPECT_EQ(perRow[39], 164);
    perRow[39] = 0;
    EXPECT_LT(*std::max_element(perRow.begin(), perRow.end()), 164);
    // Two batches: the 2,000th run and the first of the second batch share row 213.
    EXPECT_EQ(runs[1999].top, 213);
    EXPECT_EQ(runs[2000].top, 213);
    EXPECT_EQ(runs.back().top, 315);
}

struct Batch {
    RGNDATAHEADER header;
    DWORD cbBatch;
    std::vector<RECT> rects;
};

void KeepBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    const RECT *rects = reinterpret_cast<const RECT *>(pBatch->Buffer);
    static_cast<std::vector<Batch> *>(pContext)->push_back(
        {pBatch->rdh, cbBatch, std::vector<RECT>(rects, rects + pBatch->rdh.nCount)});
}

// The picture as the program scans it: 32 bits per pixel, bottom row first,
// blue, green and red taken from the colour table.
std::vector<BYTE> ThirtyTwoBitSurface()
{
    std::vector<BYTE> surface;
    for (int y = kHeight - 1; y >= 0; --y)
        for (int x = 0; x < kWidth; ++x) {
            const uint8_t *bgr = Art().Entry(Art().Index(x, y));
            surface.insert(surface.end(), {bgr[0], bgr[1], bgr[2], 0});
        }
    return surface;
}

void ExpectRect(const RECT &rect, LONG left, LONG top, LONG right, LONG bottom)
{
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

TEST_F(ArtworkTest, ScanHandsOverAFullBatchAndTheRest)
{
    const std::vector<BYTE> surface = ThirtyTwoBitSurface();
    std::vector<Batch> batches;
    ASSERT_TRUE(ScanColorKeyRuns(surface.data(), kWidth, kHeight, 4 * kWidth, ART_KEY_COLOR, ART_KEY_TOLERANCE,
                                 KeepBatch, &batches));
    ASSERT_EQ(batches.size(), 2u);

    EXPECT_EQ(batches[0].header.nCount, 2000u);
    ExpectRect(batches[0].header.rcBound, 0, 0, 488, 214);
    EXPECT_EQ(batches[1].header.nCount, 944u);
    ExpectRect(batches[1].header.rcBound, 0, 213, 488, 316);
    for (const Batch &batch : batches) {
        EXPECT_EQ(batch.cbBatch, kFullBlockBytes); // grown to room for RECT_BATCH_LIMIT rectangles
        EXPECT_EQ(batch.header.dwSize, 32u);
        EXPECT_EQ(batch.header.iType, static_cast<DWORD>(RDH_RECTANGLES));
    }

    std::vector<RECT> scanned = batches[0].rects;
    scanned.insert(scanned.end(), batches[1].rects.begin(), batches[1].rects.end());
    const std::vector<RECT> runs = RunsByPixel();
    ASSERT_EQ(scanned.size(), runs.size());
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(i);
        ExpectRect(scanned[i], runs[i].left, runs[i].top, runs[i].right, runs[i].bottom);
    }
}

} // namespace
