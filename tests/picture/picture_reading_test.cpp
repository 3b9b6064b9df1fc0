// Reading pictures in process: PNGs of every colour type and depth, with and
// without tRNS, gAMA and interlacing, against pixels known from what the test
// wrote; the limits on size, exactly at them and one pixel over; and BMP
// alpha as it decides the shape.
#include "bmp_reader.h"
#include "bmp_test_writer.h"
#include "picture.h"
#include "png_test_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace png_test;

// As many entries as the depth allows, up to 16.
std::vector<uint8_t> Palette(int depth)
{
    std::vector<uint8_t> plte;
    for (int i = 0; i < 16 && i < 1 << depth; ++i)
        plte.insert(plte.end(), {uint8_t(i * 70), uint8_t(i * 3), uint8_t(255 - i * 16)});
    return plte;
}

// The tRNS chunk: alphas for the first palette entries, or the one grey or
// RGB sample value that is transparent (one that occurs in the picture).
std::vector<uint8_t> Trns(const PngLayout &s)
{
    if (s.colourType == 3) {
        const std::vector<uint8_t> alphas = {0, 100, 127, 128, 255, 7};
        return std::vector<uint8_t>(alphas.begin(), alphas.begin() + std::min(6, 1 << s.depth));
    }
    std::vector<uint8_t> data;
    for (int c = 0; c < Channels(s.colourType); ++c)
        data.insert(data.end(), {uint8_t(Sample(s, 3, 2, c) >> 8), uint8_t(Sample(s, 3, 2, c))});
    return data;
}

uint8_t To8(uint32_t sample, int depth)
{
    return depth == 16 ? uint8_t((sample * 255 + 32767) / 65535) : uint8_t(sample * 255 / ((1u << depth) - 1));
}

// Blue, green, red, alpha of pixel (x, y) as the file holds it.
std::vector<uint8_t> Expected(const PngLayout &s, bool trns, int x, int y)
{
    const int n = Channels(s.colourType);
    std::vector<uint32_t> v(n);
    for (int c = 0; c < n; ++c) v[c] = Sample(s, x, y, c);
    if (s.colourType == 3) {
        const std::vector<uint8_t> plte = Palette(s.depth), t = Trns(s);
        return {plte[3 * v[0] + 2], plte[3 * v[0] + 1], plte[3 * v[0]],
                uint8_t(trns && v[0] < t.size() ? t[v[0]] : 255)};
    }
    bool transparent = trns;
    for (int c = 0; c < n; ++c) transparent &= v[c] == Sample(s, 3, 2, c);
    const uint8_t grey = To8(v[0], s.depth);
    if (s.colourType == 0 || s.colourType == 4)
        return {grey, grey, grey, uint8_t(s.colourType == 4 ? To8(v[1], s.depth) : transparent ? 0 : 255)};
    return {To8(v[2], s.depth), To8(v[1], s.depth), grey,
            uint8_t(s.colourType == 6 ? To8(v[3], s.depth)
                    : transparent     ? 0
                                      : 255)};
}

Picture Read(const std::vector<uint8_t> &file, std::string *pError = nullptr)
{
    Picture picture;
    std::string error;
    EXPECT_TRUE(ReadPicture(file.data(), file.size(), &picture, &error)) << error;
    if (pError) *pError = error;
    return picture;
}

const std::vector<uint8_t> kGammaOne = Chunk("gAMA", {0, 1, 0x86, 0xA0}); // 1.0

TEST(PngReading, EveryKindGivesItsPixelsInterlacedOrNot)
{
    const std::vector<std::pair<int, std::vector<int>>> kinds = {
        {0, {1, 2, 4, 8, 16}}, {2, {8, 16}}, {3, {1, 2, 4, 8}}, {4, {8, 16}}, {6, {8, 16}}};
    for (const auto &[colourType, depths] : kinds)
        for (int depth : depths)
            for (int variant = 0; variant < 3; ++variant) { // plain, tRNS, gAMA 1.0
                const bool trns = variant == 1 && colourType != 4 && colourType != 6;
                SCOPED_TRACE("colour type " + std::to_string(colourType) + ", " + std::to_string(depth) +
                             " bits, variant " + std::to_string(variant));
                PngLayout s{23, 19, colourType, depth, false, variant == 2 ? kGammaOne : std::vector<uint8_t>()};
                const std::vector<uint8_t> plte =
                    colourType == 3 ? Chunk("PLTE", Palette(depth)) : std::vector<uint8_t>();
                const std::vector<uint8_t> trnsChunk = trns ? Chunk("tRNS", Trns(s)) : std::vector<uint8_t>();
                for (const auto *chunk : {&plte, &trnsChunk})
                    s.extraChunks.insert(s.extraChunks.end(), chunk->begin(), chunk->end());
                Picture plain = Read(WritePng(s));
                s.interlaced = true;
                Picture interlaced = Read(WritePng(s));
                EXPECT_EQ(plain.hasTransparency, trns || colourType == 4 || colourType == 6);
                EXPECT_EQ(plain.gammaConverted, variant == 2);
                EXPECT_TRUE(interlaced.pixels == plain.pixels) << "interlaced and not differ";
                if (variant == 2) continue;
                int differing = 0;
                for (int y = 0; y < s.height; ++y)
                    for (int x = 0; x < s.width; ++x) {
                        const uint8_t *got = &plain.pixels[4 * (size_t(s.height - 1 - y) * s.width + x)];
                        const std::vector<uint8_t> want = Expected(s, trns, x, y);
                        if (!std::equal(want.begin(), want.end(), got) && ++differing <= 3)
                            ADD_FAILURE()
                                << "pixel " << x << ", " << y << ": " << int(got[0]) << " " << int(got[1]) << " "
                                << int(got[2]) << " " << int(got[3]) << " where the file has " << int(want[0]) << " "
                                << int(want[1]) << " " << int(want[2]) << " " << int(want[3]);
                    }
            }
}

// libpng converts when the file's gamma times 2.2 is more than 5 % from 1,
// and its tables then raise each colour to the reciprocal of that product;
// the picture must say so exactly when its colours changed. At the edges:
// 43181 x 2.2 is 94998, converted, and 43182 x 2.2 is 95000, within; 47728 x
// 2.2 is 105002, outside, but its reciprocal 0.95236 is within, so nothing
// changes up to 47847, whose reciprocal rounds to 0.95000; 47848 converts.
TEST(PngReading, SaysWhenItConvertsTheGamma)
{
    PngLayout s{16, 16, 2, 8, false, {}};
    const Picture untouched = Read(WritePng(s));
    EXPECT_EQ(untouched.fileGamma, 0);
    const struct {
        uint32_t gamma;
        bool converted;
    } cases[] = {{45455, false}, {47000, false}, {43500, false}, {50000, true},  {40000, true}, {100000, true},
                 {43181, true},  {43182, false}, {47728, false}, {47847, false}, {47848, true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.gamma);
        std::vector<uint8_t> data;
        PutBig(data, c.gamma);
        s.extraChunks = Chunk("gAMA", data);
        const Picture picture = Read(WritePng(s));
        EXPECT_EQ(picture.fileGamma, int(c.gamma));
        EXPECT_EQ(picture.gammaConverted, picture.pixels != untouched.pixels);
        EXPECT_EQ(picture.gammaConverted, c.converted);
    }
    // Linear light made sRGB: every colour comes out as light or lighter.
    s.extraChunks = kGammaOne;
    const Picture converted = Read(WritePng(s));
    int lighter = 0;
    for (size_t i = 0; i < converted.pixels.size(); ++i) {
        EXPECT_GE(converted.pixels[i], untouched.pixels[i]) << i;
        lighter += converted.pixels[i] > untouched.pixels[i];
    }
    EXPECT_GT(lighter, 0);
}

// libpng's gamma tables come from integers (third_party/patches), the same on
// every processor and C library: at a file gamma of 0.35, grey 145 becomes
// 123, where the C library's pow() gives 122.
TEST(PngReading, ConvertsGammaWithIntegers)
{
#ifdef PNG_FLOATING_ARITHMETIC_SUPPORTED
    GTEST_SKIP() << "built with a libpng that converts gamma in floating point";
#endif
    const PngLayout s{8, 40, 0, 8, false, Chunk("gAMA", {0, 0, 0x88, 0xB8})};
    ASSERT_EQ(Sample(s, 6, 34, 0), 145u);
    const Picture picture = Read(WritePng(s));
    const uint8_t *pPixel = &picture.pixels[4 * ((s.height - 1 - 34) * s.width + 6)];
    EXPECT_EQ(std::vector<uint8_t>(pPixel, pPixel + 3), std::vector<uint8_t>(3, 123));
}

// A 1-bit grey PNG or BMP of the given size, every pixel 0.
std::vector<uint8_t> BlankPng(int width, int height)
{
    std::vector<uint8_t> raw(size_t(height) * ((width + 7) / 8 + 1), 0);
    uLongf packed = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> idat(packed);
    compress(idat.data(), &packed, raw.data(), static_cast<uLong>(raw.size()));
    idat.resize(packed);
    std::vector<uint8_t> ihdr;
    PutBig(ihdr, width);
    PutBig(ihdr, height);
    ihdr.insert(ihdr.end(), {1, 0, 0, 0, 0});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto &chunk : {Chunk("IHDR", ihdr), Chunk("IDAT", idat), Chunk("IEND", {})})
        png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

std::vector<uint8_t> BlankBmp(int width, int height)
{
    const bmp_test::Kind kind = {"blank", 40, 1, bmp_test::kRgb, false, 0, {}};
    bmp_test::Content content;
    content.width = width;
    content.height = height;
    content.table = {0, 0xFFFFFF};
    content.values.assign(size_t(width) * height, 0);
    return bmp_test::WriteBmp(kind, content);
}

TEST(PictureLimits, ExactlyAtEachLimitIsReadAndOnePixelMoreIsRefused)
{
    const struct {
        int width, height;
        const char *refusal; // empty: read
    } cases[] = {
        {16384, 4096, ""}, // 16,384 on a side and a 32-bit copy of exactly 256 MiB
        {1, 16384, ""},
        {16385, 1, "16385 x 1 pixels: more than 16384 on a side"},
        {1, 16385, "1 x 16385 pixels: more than 16384 on a side"},
        {16384, 4097, "16384 x 4097 pixels: the 32-bit copy is over 256 MiB"},
    };
    for (const auto &c : cases)
        for (const auto &write : {BlankPng, BlankBmp}) {
            SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                         (write == BlankPng ? " PNG" : " BMP"));
            const std::vector<uint8_t> file = write(c.width, c.height);
            Picture picture;
            std::string error;
            EXPECT_EQ(ReadPicture(file.data(), file.size(), &picture, &error), !*c.refusal) << error;
            EXPECT_EQ(error, c.refusal);
            if (!*c.refusal) {
                EXPECT_EQ(picture.pixels.size(), size_t(4) * c.width * c.height);
            }
        }
}

TEST(BmpAlpha, DecidesTheShapeUnlessEveryAlphaIsZero)
{
    const bmp_test::Kind kind = {
        "alpha", 124, 32, bmp_test::kBitfields, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    bmp_test::Content content;
    content.width = 4;
    content.height = 1;
    // Opaque near-black (raised), transparent white (cut), half-transparent
    // grey (kept), alpha 127 (cut).
    content.values = {0xFF080808, 0x00FFFFFF, 0x80808080, 0x7F808080};
    Picture picture = Read(bmp_test::WriteBmp(kind, content));
    EXPECT_TRUE(picture.hasTransparency);
    ShapeCounts counts = EncodeShapeInColours(&picture);
    EXPECT_EQ(counts.seeThrough, 2u);
    EXPECT_EQ(counts.raised, 1u);
    const uint8_t grey = ART_RAISED_GREY;
    EXPECT_EQ(picture.pixels,
              (std::vector<uint8_t>{grey, grey, grey, 255, 0, 0, 0, 255, 128, 128, 128, 255, 0, 0, 0, 255}));

    for (uint32_t &value : content.values) value &= 0xFFFFFF;
    picture = Read(bmp_test::WriteBmp(kind, content));
    EXPECT_FALSE(picture.hasTransparency);
    EXPECT_TRUE(picture.alphaUnused);
    counts = EncodeShapeInColours(&picture);
    EXPECT_EQ(counts.seeThrough, 1u); // the near-black pixel, by its colour
    EXPECT_EQ(counts.raised, 0u);
}

} // namespace
