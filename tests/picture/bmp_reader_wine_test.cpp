// The BMP reader against the platform's own reading: for a BMP of every kind
// the reader takes, written here, the pixels the reader gives must be the ones
// LoadImageA makes of the same file, copied to 32 bits by GetDIBits.
#include "bmp_reader.h"
#include "bmp_test_writer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace bmp_test;

const Kind kKinds[] = {
    {"core_1", 12, 1, BI_RGB, false, 0, {}},
    {"core_4", 12, 4, BI_RGB, false, 0, {}},
    {"core_8", 12, 8, BI_RGB, false, 0, {}},
    {"core_24", 12, 24, BI_RGB, false, 0, {}},
    {"info_1", 40, 1, BI_RGB, false, 0, {}},
    {"info_4_short_table", 40, 4, BI_RGB, false, 5, {}},
    {"info_8", 40, 8, BI_RGB, false, 0, {}},
    {"info_8_short_table_top_down", 40, 8, BI_RGB, true, 20, {}},
    {"info_16_555", 40, 16, BI_RGB, false, 0, {}},
    {"info_16_565_fields", 40, 16, BI_BITFIELDS, false, 0, {0xF800, 0x07E0, 0x001F}},
    {"info_16_444_fields_top_down", 40, 16, BI_BITFIELDS, true, 0, {0x0F00, 0x00F0, 0x000F}},
    {"info_24", 40, 24, BI_RGB, false, 0, {}},
    {"info_24_top_down", 40, 24, BI_RGB, true, 0, {}},
    {"info_32", 40, 32, BI_RGB, false, 0, {}},
    {"info_32_fields", 40, 32, BI_BITFIELDS, false, 0, {0xFF0000, 0x00FF00, 0x0000FF}},
    {"info_32_10bit_fields", 40, 32, BI_BITFIELDS, false, 0, {0x3FF00000, 0x000FFC00, 0x000003FF}},
    {"v2_16_565_fields", 52, 16, BI_BITFIELDS, false, 0, {0xF800, 0x07E0, 0x001F}},
    {"v3_32_alpha", 56, 32, BI_BITFIELDS, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"v4_8_short_table", 108, 8, BI_RGB, false, 100, {}},
    {"v4_16_565_fields_top_down", 108, 16, BI_BITFIELDS, true, 0, {0xF800, 0x07E0, 0x001F}},
    {"v4_16_4444_alpha", 108, 16, BI_BITFIELDS, false, 0, {0x0F00, 0x00F0, 0x000F, 0xF000}},
    {"v5_4", 124, 4, BI_RGB, true, 0, {}},
    {"v5_32_fields", 124, 32, BI_BITFIELDS, false, 0, {0x00FF0000, 0x0000FF00, 0x000000FF}},
    {"v5_32_swapped_fields", 124, 32, BI_BITFIELDS, false, 0, {0x000000FF, 0x0000FF00, 0x00FF0000}},
    {"v5_32_alpha", 124, 32, BI_BITFIELDS, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"info_rle8", 40, 8, BI_RLE8, false, 0, {}},
    {"info_rle4", 40, 4, BI_RLE4, false, 0, {}},
    {"v5_rle8_short_table", 124, 8, BI_RLE8, false, 200, {}},
};

constexpr int kWidth = 13; // rows of every depth need fill bytes
constexpr int kHeight = 7;

// wine 8's LoadImageA misreads three kinds that Windows reads: it loses
// top-down rows, takes the first colour of a core header's table wrongly, and
// narrows 16-bit fields to 5 bits each; and it refuses the 52- and 56-byte
// headers. For those it is given a twin that holds the same pixels in a form
// it reads right: bottom-up, with an info or V4 header, in 32-bit pixels with
// the same fields.
Kind AsWineReadsIt(Kind kind)
{
    kind.topDown = false;
    if (kind.headerSize == 12) kind.headerSize = 40;
    if (kind.headerSize == 52 || kind.headerSize == 56) kind.headerSize = 108;
    if (kind.bits == 16 && kind.compression == BI_BITFIELDS) kind.bits = 32;
    return kind;
}

// LoadImageA decodes an RLE file into a fresh DIB section of its own depth,
// so the pixels the stream skips keep zero bits there: the table's first
// colour. The reader makes them black, which the picture tool cuts away; so
// the RLE files here have black as their first colour, and the host test
// checks the black whatever the first colour is.
Content MakeWineContent(const Kind &kind)
{
    Content content = MakeContent(kind, kWidth, kHeight);
    if (kind.compression == BI_RLE8 || kind.compression == BI_RLE4) content.table[0] = 0;
    return content;
}

// A file as the platform reads it, blue, green, red and one unused byte a
// pixel, bottom row first.
std::vector<uint8_t> LoadedByWindows(const std::string &path)
{
    HBITMAP hBmp = static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!hBmp) return {};
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = kWidth;
    bmi.bmiHeader.biHeight = kHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> pixels(4 * kWidth * kHeight);
    HDC hdc = GetDC(nullptr);
    const int rows = GetDIBits(hdc, hBmp, 0, kHeight, pixels.data(), &bmi, DIB_RGB_COLORS);
    ReleaseDC(nullptr, hdc);
    DeleteObject(hBmp);
    return rows == kHeight ? pixels : std::vector<uint8_t>();
}

TEST(BmpReader, ReadsEveryKindAsThePlatformDoes)
{
    char dir[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof(dir), dir), 0u);
    for (const Kind &kind : kKinds) {
        SCOPED_TRACE(kind.name);
        const Content content = MakeWineContent(kind);
        const std::vector<uint8_t> file = WriteBmp(kind, content);
        const std::vector<uint8_t> twin = WriteBmp(AsWineReadsIt(kind), content);
        const std::string path = std::string(dir) + "brimshade_" + kind.name + ".bmp";
        FILE *out = std::fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr) << path;
        std::fwrite(twin.data(), 1, twin.size(), out);
        std::fclose(out);

        BmpPicture bmp;
        std::string error;
        ASSERT_TRUE(ReadBmp(file.data(), file.size(), &bmp, &error)) << error;
        const std::vector<uint8_t> expected = LoadedByWindows(path);
        DeleteFileA(path.c_str());
        ASSERT_EQ(expected.size(), bmp.pixels.size()) << "LoadImageA or GetDIBits failed";
        EXPECT_EQ(bmp.width, kWidth);
        EXPECT_EQ(bmp.height, kHeight);
        int differing = 0;
        for (size_t i = 0; i < expected.size(); ++i)
            if (i % 4 != 3 && expected[i] != bmp.pixels[i] && ++differing <= 3)
                ADD_FAILURE() << "pixel " << i / 4 % kWidth << " of stored row " << i / 4 / kWidth << ", byte " << i % 4
                              << ": " << int(bmp.pixels[i]) << " where the platform has " << int(expected[i]);
    }
}

} // namespace
