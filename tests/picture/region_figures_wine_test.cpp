// The tool's count of the region's rectangles as the platform bands them,
// held to the platform itself: for each picture, the count MeasureRegion
// gives must be GetRegionData's for the region CreateColorKeyRegion makes of
// the same pixels. Under Wine on X11 that is the count the window's shape
// request carries.
#include "art_key.h"
#include "bmp_reader.h"
#include "color_key_region.h"
#include "gdi_objects.h"
#include "region_figures.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace {

using OpaqueRule = std::function<bool(int x, int y)>;

// White where the rule says opaque, black elsewhere; bottom row first.
Picture MakePicture(int width, int height, const OpaqueRule &opaque)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.resize(size_t(4) * width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t level = opaque(x, y) ? 255 : 0;
            uint8_t *p = &picture.pixels[4 * (size_t(height - 1 - y) * width + x)];
            p[0] = p[1] = p[2] = level;
            p[3] = 255;
        }
    return picture;
}

Picture Artwork()
{
    std::ifstream in(BRIMSHADE_ARTWORK_BMP, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BmpPicture bmp;
    std::string error;
    EXPECT_TRUE(ReadBmp(file.data(), file.size(), &bmp, &error)) << error;
    Picture picture;
    picture.width = bmp.width;
    picture.height = bmp.height;
    picture.pixels = bmp.pixels;
    return picture;
}

// GetRegionData's count for the region the program makes of the picture, or
// -1 when there is no region.
long PlatformRectangles(const Picture &picture)
{
    HBITMAP hBmp = MakeDibSection(picture.width, picture.height, 32, {}, [&](BYTE *bits, int) {
        std::copy(picture.pixels.begin(), picture.pixels.end(), bits);
    });
    if (hBmp == nullptr) return -1;
    HRGN hRgn = CreateColorKeyRegion(hBmp, ART_KEY_COLOR, ART_KEY_TOLERANCE);
    DeleteObject(hBmp);
    if (hRgn == nullptr) return -1;
    const std::vector<BYTE> data = RegionData(hRgn);
    DeleteObject(hRgn);
    return data.size() >= sizeof(RGNDATAHEADER)
               ? static_cast<long>(reinterpret_cast<const RGNDATA *>(data.data())->rdh.nCount)
               : -1;
}

// Runs [2, 9) and [20, 30), with one edge moved on the rows of odd bands of
// five: rows that differ from the band above only in that edge.
OpaqueRule BandsDifferingIn(int edgeShift, bool leftEdge)
{
    return [=](int x, int y) {
        const int shift = (y / 5) % 2 ? edgeShift : 0;
        const int left = 20 + (leftEdge ? shift : 0), right = 30 + (leftEdge ? 0 : shift);
        return (x >= 2 && x < 9) || (x >= left && x < right);
    };
}

TEST(RegionFigures, BandedCountIsThePlatformsForEveryKindOfPicture)
{
    const struct {
        const char *name;
        Picture picture;
    } cases[] = {
        {"artwork", Artwork()},
        {"scattered holes", MakePicture(97, 61, [](int x, int y) { return (x * 7 + y * 13) % 5 != 0 && (x ^ y) % 3; })},
        {"ellipse",
         MakePicture(300, 200, [](int x, int y) { return std::hypot((x - 150) / 140.0, (y - 100) / 90.0) < 1; })},
        {"rows differing in one run's right edge", MakePicture(40, 30, BandsDifferingIn(1, false))},
        {"rows differing in one run's left edge", MakePicture(40, 30, BandsDifferingIn(-1, true))},
        {"equal rows on both sides of an empty row",
         MakePicture(30, 9, [](int x, int y) { return y != 4 && x % 4 != 0; })},
        {"equal rows with a row split between batches", MakePicture(6, 1000, [](int x, int) { return x % 2 == 0; })},
        {"checkerboard over three batches", MakePicture(200, 50, [](int x, int y) { return (x + y) % 2 == 0; })},
        {"all opaque", MakePicture(20, 20, [](int, int) { return true; })},
        {"all see-through", MakePicture(20, 20, [](int, int) { return false; })},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const RegionFigures figures = MeasureRegion(c.picture);
        ASSERT_TRUE(figures.scanned);
        EXPECT_EQ(static_cast<long>(figures.bandedRectangles), PlatformRectangles(c.picture))
            << "the scan's count is " << figures.rectangles;
    }
}

} // namespace
