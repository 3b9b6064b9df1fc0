// The BMP reader on the host, against a decode of its own: for every kind the
// reader takes, over many widths (rows whose last byte is partly used, and
// fill bytes of every length), the pixels must be the ones the test's
// content says. The wine test holds the same files to the platform's reading.
#include "bmp_reader.h"
#include "bmp_test_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace bmp_test;

const Kind kKinds[] = {
    {"core_1", 12, 1, kRgb, false, 0, {}},
    {"core_4", 12, 4, kRgb, false, 0, {}},
    {"core_24", 12, 24, kRgb, false, 0, {}},
    {"info_1", 40, 1, kRgb, false, 0, {}},
    {"info_1_one_colour", 40, 1, kRgb, true, 1, {}},
    {"info_4_short_table_top_down", 40, 4, kRgb, true, 5, {}},
    {"info_8_short_table", 40, 8, kRgb, false, 20, {}},
    {"info_16_555", 40, 16, kRgb, false, 0, {}},
    {"info_16_565_fields_top_down", 40, 16, kBitfields, true, 0, {0xF800, 0x07E0, 0x001F}},
    {"info_24_top_down", 40, 24, kRgb, true, 0, {}},
    {"info_32_fourth_byte_ignored", 40, 32, kRgb, false, 0, {}},
    {"info_32_10bit_fields", 40, 32, kBitfields, false, 0, {0x3FF00000, 0x000FFC00, 0x000003FF}},
    {"v2_16_fields", 52, 16, kBitfields, false, 0, {0x7C00, 0x03E0, 0x001F}},
    {"v3_32_alpha", 56, 32, kBitfields, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"v4_16_4444_alpha_top_down", 108, 16, kBitfields, true, 0, {0x0F00, 0x00F0, 0x000F, 0xF000}},
    {"v4_16_1555_alpha", 108, 16, kBitfields, false, 0, {0x7C00, 0x03E0, 0x001F, 0x8000}},
    {"v5_32_alpha_swapped", 124, 32, kBitfields, false, 0, {0xFF, 0xFF00, 0xFF0000, 0xFF000000}},
    {"v5_32_alpha_all_zero", 124, 32, kBitfields, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"v5_32_rgb_alpha_mask_ignored", 124, 32, kRgb, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
    {"info_rle8", 40, 8, kRle8, false, 0, {}},
    {"info_rle4", 40, 4, kRle4, false, 0, {}},
    {"v5_rle8_short_table", 124, 8, kRle8, false, 200, {}},
};

// A narrow field widened to 8 bits by writing its bits from the top of the
// byte down, twice over; a wide one keeps its top 8 bits.
uint8_t Widen(uint32_t field, int bits)
{
    if (bits >= 8) return static_cast<uint8_t>(field >> (bits - 8));
    int out = 0, at = 7;
    for (int pass = 0; pass < 2; ++pass)
        for (int bit = bits - 1; bit >= 0 && at >= 0; --bit, --at) out |= (field >> bit & 1) << at;
    return static_cast<uint8_t>(out);
}

uint8_t Field(uint32_t value, uint32_t mask)
{
    if (!mask) return 0;
    int shift = 0, bits = 0;
    while (!(mask >> shift & 1)) ++shift;
    while (shift + bits < 32 && (mask >> (shift + bits) & 1)) ++bits;
    return Widen((value & mask) >> shift, bits);
}

struct Decoded {
    std::vector<uint8_t> pixels; // blue, green, red, alpha, bottom row first
    bool hasAlpha = false, alphaUnused = false;
};

Decoded Decode(const Kind &kind, const Content &c)
{
    uint32_t masks[4] = {};
    if (kind.compression == kBitfields)
        for (int i = 0; i < (kind.headerSize >= 56 ? 4 : 3); ++i) masks[i] = kind.masks[i];
    else if (kind.bits == 16)
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    else
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
    Decoded d;
    for (int row = 0; row < c.height; ++row)
        for (int x = 0; x < c.width; ++x) {
            const uint32_t v = c.values[size_t(c.height - 1 - row) * c.width + x];
            uint32_t bgr = 0;
            uint8_t alpha = 255;
            if (v == kSkipped) {
                bgr = 0;
            } else if (kind.bits <= 8) {
                bgr = v < c.table.size() ? c.table[v] : 0;
            } else if (kind.bits == 24) {
                bgr = v;
            } else {
                bgr = Field(v, masks[2]) | Field(v, masks[1]) << 8 | Field(v, masks[0]) << 16;
                if (masks[3]) alpha = Field(v, masks[3]);
            }
            d.pixels.insert(d.pixels.end(), {uint8_t(bgr), uint8_t(bgr >> 8), uint8_t(bgr >> 16), alpha});
            d.hasAlpha |= masks[3] && alpha;
        }
    if (masks[3] && !d.hasAlpha) {
        d.alphaUnused = true;
        for (size_t i = 3; i < d.pixels.size(); i += 4) d.pixels[i] = 255;
    }
    return d;
}

TEST(BmpReader, ReadsEveryKindAsItsContentSays)
{
    for (const Kind &kind : kKinds)
        for (int width : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13, 17, 31, 33}) {
            SCOPED_TRACE(std::string(kind.name) + ", width " + std::to_string(width));
            Content content = MakeContent(kind, width, 7, 777u * width);
            if (std::string(kind.name).find("all_zero") != std::string::npos)
                for (uint32_t &value : content.values) value &= ~kind.masks[3];
            const std::vector<uint8_t> file = WriteBmp(kind, content);
            BmpPicture bmp;
            std::string error;
            ASSERT_TRUE(ReadBmp(file.data(), file.size(), &bmp, &error)) << error;
            ASSERT_EQ(bmp.width, width);
            ASSERT_EQ(bmp.height, 7);
            const Decoded expected = Decode(kind, content);
            EXPECT_EQ(bmp.hasAlpha, expected.hasAlpha);
            EXPECT_EQ(bmp.alphaUnused, expected.alphaUnused);
            ASSERT_EQ(bmp.pixels.size(), expected.pixels.size());
            int differing = 0;
            for (size_t i = 0; i < expected.pixels.size(); ++i)
                if (expected.pixels[i] != bmp.pixels[i] && ++differing <= 3)
                    ADD_FAILURE() << "pixel " << i / 4 % width << " of row " << i / 4 / width
                                  << " from the bottom, byte " << i % 4 << ": " << int(bmp.pixels[i])
                                  << " where the content has " << int(expected.pixels[i]);
        }
}

} // namespace
