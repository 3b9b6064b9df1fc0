// The BMP reader against the platform's own reading: for a BMP of every kind
// the reader takes, written here, the pixels the reader gives must be the ones
// LoadImageA makes of the same file, copied to 32 bits by GetDIBits.
#include "bmp_reader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Kind {
    const char *name;
    uint32_t headerSize;
    int bits;
    uint32_t compression; // BI_RGB or BI_BITFIELDS
    bool topDown;
    uint32_t coloursUsed; // 0: a full table
    uint32_t masks[3];    // red, green, blue, for BI_BITFIELDS
};

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
    {"v4_8_short_table", 108, 8, BI_RGB, false, 100, {}},
    {"v4_16_565_fields_top_down", 108, 16, BI_BITFIELDS, true, 0, {0xF800, 0x07E0, 0x001F}},
    {"v5_4", 124, 4, BI_RGB, true, 0, {}},
    {"v5_32_fields", 124, 32, BI_BITFIELDS, false, 0, {0x00FF0000, 0x0000FF00, 0x000000FF}},
    {"v5_32_swapped_fields", 124, 32, BI_BITFIELDS, false, 0, {0x000000FF, 0x0000FF00, 0x00FF0000}},
};

constexpr int kWidth = 13; // rows of every depth need fill bytes
constexpr int kHeight = 7;

void Put(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// What a file holds apart from its layout: the colour table (blue, green,
// red) and each pixel's index or stored value, top row first.
struct Content {
    std::vector<uint32_t> table;
    std::vector<uint32_t> values;
};

Content MakeContent(const Kind &kind)
{
    uint32_t state = 12345;
    auto next = [&state] { return (state = state * 1103515245u + 12345u) >> 4; };
    Content content;
    const uint32_t entries = kind.bits > 8 ? 0 : kind.coloursUsed ? kind.coloursUsed : 1u << kind.bits;
    for (uint32_t i = 0; i < entries; ++i) content.table.push_back(next() & 0xFFFFFF);
    for (int i = 0; i < kWidth * kHeight; ++i)
        content.values.push_back(kind.bits <= 8 ? next() % entries : next() & (0xFFFFFFFFu >> (32 - kind.bits)));
    return content;
}

std::vector<uint8_t> WriteBmp(const Kind &kind, const Content &content)
{
    const bool core = kind.headerSize == 12;
    const uint32_t entries = static_cast<uint32_t>(content.table.size());
    const uint32_t masksAfter = kind.compression == BI_BITFIELDS && kind.headerSize == 40 ? 12 : 0;
    const uint32_t stride = (kWidth * kind.bits + 31) / 32 * 4;
    const uint32_t pixelsAt = 14 + kind.headerSize + masksAfter + entries * (core ? 3 : 4);

    std::vector<uint8_t> out{'B', 'M'};
    Put(out, pixelsAt + stride * kHeight, 4);
    Put(out, 0, 4);
    Put(out, pixelsAt, 4);
    Put(out, kind.headerSize, 4);
    if (core) {
        Put(out, kWidth, 2);
        Put(out, kHeight, 2);
        Put(out, 1, 2);
        Put(out, kind.bits, 2);
    } else {
        Put(out, kWidth, 4);
        Put(out, kind.topDown ? -kHeight : kHeight, 4);
        Put(out, 1, 2);
        Put(out, kind.bits, 2);
        Put(out, kind.compression, 4);
        Put(out, stride * kHeight, 4);
        Put(out, 2835, 4);
        Put(out, 2835, 4);
        Put(out, kind.coloursUsed, 4);
        Put(out, 0, 4);
        if (kind.headerSize > 40) {
            for (uint32_t mask : kind.masks) Put(out, mask, 4);
            out.resize(14 + kind.headerSize, 0); // alpha mask, colour space and the rest: none
        }
        if (masksAfter)
            for (uint32_t mask : kind.masks) Put(out, mask, 4);
    }
    for (uint32_t colour : content.table) Put(out, colour, core ? 3 : 4);
    for (int stored = 0; stored < kHeight; ++stored) {
        const int y = kind.topDown ? stored : kHeight - 1 - stored;
        std::vector<uint8_t> row;
        for (int x = 0; x < kWidth; ++x) {
            const uint32_t value = content.values[y * kWidth + x];
            if (kind.bits > 8) {
                Put(row, value, kind.bits / 8);
                continue;
            }
            const int bit = x * kind.bits;
            row.resize(bit / 8 + 1, 0);
            row[bit / 8] |= static_cast<uint8_t>(value << (8 - kind.bits - bit % 8));
        }
        row.resize(stride, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// wine 8's LoadImageA misreads three kinds that Windows reads: it loses
// top-down rows, takes the first colour of a core header's table wrongly, and
// narrows 16-bit fields to 5 bits each. For those it is given a twin that
// holds the same pixels in a form it reads right: bottom-up, with an info
// header, in 32-bit pixels with the same fields.
Kind AsWineReadsIt(Kind kind)
{
    kind.topDown = false;
    if (kind.headerSize == 12) kind.headerSize = 40;
    if (kind.bits == 16 && kind.compression == BI_BITFIELDS) kind.bits = 32;
    return kind;
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
        const Content content = MakeContent(kind);
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
                ADD_FAILURE() << "pixel " << i / 4 % kWidth << " of stored row " << i / 4 / kWidth << ", byte "
                              << i % 4 << ": " << int(bmp.pixels[i]) << " where the platform has "
                              << int(expected[i]);
    }
}

} // namespace
