// The picture tool as a user runs it: refusals, the artwork's figures, and
// what convert makes of PNGs with and without transparency. The converted
// files are read back with the BMP reader, which the wine test holds to the
// platform's own reading.
#include "bmp_reader.h"
#include "bmp_test_writer.h"
#include "near_black.h"
#include "png_test_writer.h"

#include <fcntl.h>
#include <png.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ToolRun {
    int status;
    std::string out, err;
};

std::string ReadText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path &path, const std::vector<uint8_t> &bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

class PictureTool : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("brimshade-picture-test-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun Tool(const std::string &args)
    {
        const std::string command = std::string(BRIMSHADE_PICTURE_TOOL) + " " + args + " >" +
                                    (dir_ / "stdout").string() + " 2>" + (dir_ / "stderr").string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir_ / "stdout"), ReadText(dir_ / "stderr")};
    }

    BmpPicture Converted(const fs::path &picture, ToolRun *pRun, const std::string &options = "")
    {
        *pRun = Tool("convert " + picture.string() + " -o " + (dir_ / "out.bmp").string() + options);
        const std::string bytes = ReadText(dir_ / "out.bmp");
        BmpPicture bmp;
        std::string error;
        EXPECT_TRUE(ReadBmp(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), &bmp, &error)) << error;
        return bmp;
    }

    fs::path dir_;
};

// An 8-bit BMP header with a full colour table and no pixels yet.
std::vector<uint8_t> BmpHeaders(int32_t width, int32_t height, uint32_t compression = 0)
{
    std::vector<uint8_t> b(14 + 40 + 1024, 0);
    auto put = [&b](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    b[0] = 'B', b[1] = 'M';
    put(10, 14 + 40 + 1024, 4);
    put(14, 40, 4);
    put(18, static_cast<uint32_t>(width), 4);
    put(22, static_cast<uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 8, 2);
    put(30, compression, 4);
    return b;
}

std::vector<uint8_t> Bmp(int32_t width, int32_t height)
{
    std::vector<uint8_t> b = BmpHeaders(width, height);
    b.resize(b.size() + static_cast<size_t>((width + 3) / 4 * 4) * (height < 0 ? -height : height), 0x80);
    return b;
}

// An 8-bit BI_RLE8 file holding the stream given.
std::vector<uint8_t> Rle8(int32_t width, int32_t height, const std::vector<uint8_t> &stream)
{
    std::vector<uint8_t> b = BmpHeaders(width, height, 1);
    b.insert(b.end(), stream.begin(), stream.end());
    return b;
}

// The file with one header field changed: the size at 14, the bit count at 28.
std::vector<uint8_t> With(std::vector<uint8_t> b, size_t at, uint32_t value)
{
    for (size_t i = at; i < at + (at == 28 ? 2 : 4); ++i, value >>= 8) b[i] = static_cast<uint8_t>(value);
    return b;
}

TEST_F(PictureTool, RefusesEachBrokenRuleWithOneLineAndNoOutput)
{
    std::vector<uint8_t> tablePastEnd = BmpHeaders(4, 4);
    tablePastEnd.resize(14 + 40 + 100);
    std::vector<uint8_t> offsetPastEnd = Bmp(4, 4);
    offsetPastEnd[13] = 0x40;
    std::vector<uint8_t> truncated = Bmp(9, 9);
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> png(8);
    std::memcpy(png.data(), "\x89PNG\r\n\x1a\n", 8);
    // 16 bits with masks after the 40-byte header: cut within them, and with
    // the pixels said to start among them.
    const std::vector<uint8_t> fields = With(BmpHeaders(4, 4, 3), 28, 16);
    const std::vector<uint8_t> masksCut(fields.begin(), fields.begin() + 14 + 40 + 8);
    const struct {
        const char *name;
        std::vector<uint8_t> bytes;
        const char *message;
    } cases[] = {
        {"gif", {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, "not a PNG or BMP file"},
        {"truncated_bmp", truncated, "truncated: 108 bytes of pixels"},
        {"truncated_png", png, "PNG refused by libpng"},
        {"rle_run_past_row", Rle8(4, 2, {5, 1, 0, 1}), "RLE run past the end of a row (5 pixels from x 0"},
        {"rle_absolute_run_past_row", Rle8(4, 2, {2, 1, 0, 3, 1, 2, 3, 0, 0, 1}), "RLE run past the end of a row"},
        {"rle_below_last_row", Rle8(4, 1, {0, 0, 1, 1, 0, 1}), "RLE run past the picture's last row"},
        {"rle_delta_up_past_picture", Rle8(4, 2, {0, 2, 1, 2, 0, 1}), "RLE delta past the picture (by 1, 2"},
        {"rle_delta_right_past_picture", Rle8(4, 2, {2, 1, 0, 2, 3, 0, 0, 1}), "RLE delta past the picture (by 3, 0"},
        {"rle_without_end", Rle8(4, 2, {4, 1, 0, 0, 4, 2}), "RLE data ends before its end-of-bitmap code"},
        {"rle_absolute_run_cut_short", Rle8(4, 2, {0, 3, 1, 2, 3}), "RLE data ends before its end-of-bitmap code"},
        {"rle_delta_cut_short", Rle8(4, 2, {0, 2, 1}), "RLE data ends before its end-of-bitmap code"},
        {"rle_top_down", Rle8(4, -2, {0, 1}), "BI_RLE8 that claims to be top-down"},
        {"rle4_with_8_bits", BmpHeaders(4, 4, 2), "not a BMP this tool reads: BI_RLE4 with 8 bits a pixel"},
        {"rle24", With(With(Bmp(4, 4), 28, 24), 30, 4),
         "not a BMP this tool reads: RLE24 (compression 4 with 24 bits a pixel)"},
        {"jpeg", BmpHeaders(4, 4, 4), "not a BMP this tool reads: a JPEG inside (BI_JPEG)"},
        {"png_inside", BmpHeaders(4, 4, 5), "not a BMP this tool reads: a PNG inside (BI_PNG)"},
        {"os2_header", With(Bmp(4, 4), 14, 64), "not a BMP this tool reads: OS/2 2.x header (64 bytes)"},
        {"two_bits", With(Bmp(4, 4), 28, 2), "not a BMP this tool reads: 2 bits a pixel"},
        {"sixty_four_bits", With(Bmp(4, 4), 28, 64), "not a BMP this tool reads: 64 bits a pixel"},
        {"table_past_end", tablePastEnd, "colour table of 256 entries points past the end of the file"},
        {"offset_past_end", offsetPastEnd, "pixel offset 1073742902 points past the end of the file"},
        {"masks_cut", masksCut, "truncated: the colour masks end early"},
        {"offset_among_masks", With(fields, 10, 60), "pixel offset 60 points into the headers"},
        {"zero_height", Bmp(4, 0), "width or height is 0"},
        {"negative_width", Bmp(-4, 4), "negative width -4"},
        {"too_wide", BmpHeaders(16385, 1), "16385 x 1 pixels: more than 16384 on a side"},
        {"copy_too_large", BmpHeaders(16384, 4097), "16384 x 4097 pixels: the 32-bit copy is over 256 MiB"},
        {"height_overflows", BmpHeaders(1, INT32_MIN), "size overflows: height -2147483648"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path picture = dir_ / c.name;
        WriteBytes(picture, c.bytes);
        const ToolRun run = Tool("convert " + picture.string() + " -o " + (dir_ / "out.bmp").string());
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind("brimshade-picture: " + picture.string() + ": " + c.message, 0), 0u) << run.err;
        // Also catches sanitizer reports: LeakSanitizer exits with 1 as well.
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_FALSE(fs::exists(dir_ / "out.bmp"));
        fs::remove(picture);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 2) << "only stdout and stderr, no temporary file";
}

TEST_F(PictureTool, InspectGivesTheArtworksRegion)
{
    const ToolRun run = Tool(std::string("inspect ") + BRIMSHADE_ARTWORK_BMP + " --json");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"width\": 489, \"height\": 317"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"rectangles\": 2944, \"batches\": [{\"rectangles\": 2000, \"bounds\": [0, 0, 488, 214]}, "
                           "{\"rectangles\": 944, \"bounds\": [0, 213, 488, 316]}]"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("\"region_box\": [0, 0, 488, 316], \"warnings\": []"), std::string::npos) << run.out;
}

// An 8-bit BMP whose region the platform holds in `banded` rectangles: four
// equal opaque rows on top, which make one band, then rows of one-pixel runs
// at alternate columns, no row like its neighbours. The scan counts 3 more.
struct BandedLayout {
    int width = 256, runsPerRow = 128, runs, height;
    explicit BandedLayout(int banded) : runs(banded - 1), height(4 + (runs + runsPerRow - 1) / runsPerRow) {}
    bool Kept(int x, int y) const { return y < 4 || (x % 2 == y % 2 && (y - 4) * runsPerRow + x / 2 < runs); }
};

std::vector<uint8_t> BandedBmp(int banded)
{
    const BandedLayout layout(banded);
    const int width = layout.width, height = layout.height;
    std::vector<uint8_t> b = BmpHeaders(width, height);
    const size_t white = 14 + 40 + 4, pixels = b.size();
    b[white] = b[white + 1] = b[white + 2] = 255;
    b.resize(pixels + size_t(width) * height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b[pixels + size_t(height - 1 - y) * width + x] = layout.Kept(x, y); // bottom row first
    return b;
}

// The most rectangles one X11 shape request carries, found under Wine on Xvfb
// (the e2e test ShapeLimitTest pins it there).
constexpr int kShapeLimit = 32765;

TEST_F(PictureTool, WarnsAboveTheX11ShapeLimitCountingBandsNotRuns)
{
    const std::string warning = "warning: the window's region has " + std::to_string(kShapeLimit + 1) +
                                " rectangles, more than the " + std::to_string(kShapeLimit) +
                                " one X11 shape request can carry: on Windows the program is fine, but under "
                                "Wine on X11 it fails at start";
    for (const int banded : {kShapeLimit, kShapeLimit + 1}) {
        SCOPED_TRACE(banded);
        const fs::path picture = dir_ / ("banded_" + std::to_string(banded) + ".bmp");
        WriteBytes(picture, BandedBmp(banded));
        const bool above = banded > kShapeLimit;
        const ToolRun json = Tool("inspect --json " + picture.string());
        EXPECT_NE(json.out.find("\"rectangles\": " + std::to_string(banded + 3)), std::string::npos) << json.out;
        EXPECT_NE(json.out.find("\"banded_rectangles\": " + std::to_string(banded)), std::string::npos) << json.out;
        const std::string jsonWarnings = above ? "\"warnings\": [\"" + warning.substr(9) : "\"warnings\": []";
        EXPECT_NE(json.out.find(jsonWarnings), std::string::npos) << json.out;
        const ToolRun text = Tool("inspect " + picture.string());
        EXPECT_NE(text.out.find("as the platform holds the region: " + std::to_string(banded)), std::string::npos);
        const ToolRun convert = Tool("convert " + picture.string() + " -o " + (dir_ / "out.bmp").string());
        for (const ToolRun &run : {json, text, convert}) {
            EXPECT_EQ(run.status, 0);
            EXPECT_EQ(run.err.find(warning) != std::string::npos, above) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), above ? 1 : 0) << run.err;
        }
    }
}

// Blue, green, red, alpha for each pixel, top row first.
void WritePng(const fs::path &path, int width, int height, const std::vector<uint8_t> &bgra, bool alpha)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    std::vector<uint8_t> pixels;
    for (size_t i = 0; i < bgra.size(); i += 4) pixels.insert(pixels.end(), &bgra[i], &bgra[i] + (alpha ? 4 : 3));
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) << image.message;
}

const uint8_t *BmpPixel(const BmpPicture &bmp, int x, int y) // y from the top
{
    return &bmp.pixels[4 * (static_cast<size_t>(bmp.height - 1 - y) * bmp.width + x)];
}

bool NearBlack(const uint8_t *p)
{
    return IsNearBlack(p[0], p[1], p[2]);
}

// Cut edges: alpha below 128 is cut away and opaque near-black raised. Soft
// ones, the default: the picture as it is, alpha and all, in 32 bits.
TEST_F(PictureTool, AlphaDecidesTheShapeOrIsKeptPixelByPixel)
{
    const int w = 37, h = 23;
    std::vector<uint8_t> bgra;
    int raised = 0, transparent = 0, partly = 0;
    for (int i = 0; i < w * h; ++i) {
        const uint8_t alpha = static_cast<uint8_t>(i * 7 % 256),
                      level = static_cast<uint8_t>(i % 5 == 0 ? i % 17 : 200);
        const uint8_t red = static_cast<uint8_t>(level + 1);
        bgra.insert(bgra.end(), {level, static_cast<uint8_t>(level / 2), red, alpha});
        raised += alpha >= 128 && IsNearBlack(level, level / 2, red);
        transparent += alpha == 0;
        partly += alpha != 0 && alpha != 255;
    }
    WritePng(dir_ / "alpha.png", w, h, bgra, true);
    ToolRun run;
    const BmpPicture soft = Converted(dir_ / "alpha.png", &run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("32 bits with alpha, soft edges; " + std::to_string(transparent) + " fully and " +
                           std::to_string(partly) + " partly transparent pixels\n"),
              std::string::npos)
        << run.out;
    EXPECT_TRUE(soft.hasAlpha && soft.bitCount == 32 && soft.headerSize == 124);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(std::memcmp(BmpPixel(soft, x, y), &bgra[4 * (y * w + x)], 4), 0) << x << "," << y;

    // The preview: the picture over the checker pattern of 8-pixel squares of
    // greys 224 and 160, blended as the desktop blends premultiplied pixels.
    const fs::path preview = dir_ / "preview.png";
    ASSERT_EQ(Tool("preview " + (dir_ / "alpha.png").string() + " -o " + preview.string()).status, 0);
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, preview.c_str()));
    image.format = PNG_FORMAT_BGR;
    std::vector<uint8_t> shown(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, shown.data(), 0, nullptr));
    for (int i = 0; i < w * h; ++i) {
        const int alpha = bgra[4 * i + 3], checker = (i % w / 8 + i / w / 8) % 2 == 0 ? 224 : 160;
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(shown[3 * i + c], (bgra[4 * i + c] * alpha + 127) / 255 + (checker * (255 - alpha) + 127) / 255)
                << i % w << "," << i / w;
    }

    const BmpPicture bmp = Converted(dir_ / "alpha.png", &run, " --edges=cut");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(", " + std::to_string(raised) + " opaque near-black pixels raised"), std::string::npos)
        << run.out;
    ASSERT_EQ(bmp.width, w);
    EXPECT_EQ(bmp.bitCount, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t *in = &bgra[4 * (y * w + x)], *out = BmpPixel(bmp, x, y);
            EXPECT_EQ(NearBlack(out), in[3] < 128) << x << "," << y;
            if (in[3] >= 128 && NearBlack(in)) {
                EXPECT_EQ(out[0] + out[1] + out[2], 3 * ART_RAISED_GREY) << x << "," << y;
            }
        }
}

TEST_F(PictureTool, OpaqueBlackBorderIsCutAwayAndManyColoursStay24Bit)
{
    const int w = 30, h = 20;
    std::vector<uint8_t> bordered;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool border = x == 0 || y == 0 || x == w - 1 || y == h - 1;
            bordered.insert(bordered.end(),
                            {uint8_t(border ? 0 : 90), uint8_t(border ? 0 : 9 * y), uint8_t(border ? 0 : 40), 255});
        }
    WritePng(dir_ / "bordered.png", w, h, bordered, false);
    ToolRun run;
    BmpPicture bmp = Converted(dir_ / "bordered.png", &run);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(bmp.bitCount, 8);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(NearBlack(BmpPixel(bmp, x, y)), x == 0 || y == 0 || x == w - 1 || y == h - 1) << x << "," << y;

    // Rows of 24-bit pixels padded by 1, 2 and 3 bytes.
    for (const int width : {29, 30, 31}) {
        SCOPED_TRACE(width);
        std::vector<uint8_t> manyColours;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < width; ++x)
                manyColours.insert(manyColours.end(), {uint8_t(8 * x), uint8_t(12 * y), 77, 255});
        WritePng(dir_ / "many.png", width, h, manyColours, false);
        bmp = Converted(dir_ / "many.png", &run);
        ASSERT_EQ(run.status, 0) << run.err;
        ASSERT_EQ(bmp.width, width);
        EXPECT_EQ(bmp.bitCount, 24);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < width; ++x)
                EXPECT_EQ(std::memcmp(BmpPixel(bmp, x, y), &manyColours[4 * (y * width + x)], 3), 0) << x << "," << y;
    }
    EXPECT_NE(Tool("inspect " + (dir_ / "many.png").string()).err.find("no pixel is cut away"), std::string::npos);
}

// With soft edges Wine on X11 cuts the window to its pixels that are not
// fully transparent, in one shape request as for a region.
TEST_F(PictureTool, WarnsAboveTheX11ShapeLimitForSoftEdgesToo)
{
    for (const int banded : {kShapeLimit, kShapeLimit + 1}) {
        SCOPED_TRACE(banded);
        const BandedLayout layout(banded);
        std::vector<uint8_t> bgra;
        for (int y = 0; y < layout.height; ++y)
            for (int x = 0; x < layout.width; ++x)
                bgra.insert(bgra.end(), {9, 9, 9, uint8_t(layout.Kept(x, y) ? 40 : 0)});
        WritePng(dir_ / "banded.png", layout.width, layout.height, bgra, true);
        const ToolRun run = Tool("inspect " + (dir_ / "banded.png").string());
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.out.find("as the platform holds the region: " + std::to_string(banded)), std::string::npos);
        EXPECT_EQ(run.err.find("warning: the window's pixels that are not fully transparent make " +
                               std::to_string(banded) + " rectangles, more than the " + std::to_string(kShapeLimit)) !=
                      std::string::npos,
                  banded > kShapeLimit)
            << run.err;
    }
}

TEST_F(PictureTool, ExitStatusesForEveryArgumentOrder)
{
    const std::string good = (dir_ / "good.png").string(), refused = (dir_ / "refused.bmp").string();
    WritePng(good, 3, 2, std::vector<uint8_t>(24, 200), false);
    WriteBytes(refused, BmpHeaders(4, 4, 4));
    const std::string out = (dir_ / "out").string();
    for (const char *form : {"inspect P", "inspect P --json", "inspect --json P", "preview P -o O", "preview -o O P",
                             "convert P -o O", "convert -o O P", "inspect -- P", "convert -o O -- P",
                             "inspect P --edges=cut", "convert --edges cut P -o O", "preview P -o O --edges=cut"}) {
        SCOPED_TRACE(form);
        auto with = [&](const std::string &picture) {
            std::string args = form;
            args.replace(args.find('P'), 1, picture);
            if (args.find(" O") != std::string::npos) args.replace(args.find(" O"), 2, " " + out);
            return Tool(args);
        };
        EXPECT_EQ(with(good).status, 0) << with(good).err;
        EXPECT_EQ(with(refused).status, 1);
    }
    for (const char *usage : {"",
                              "inspect",
                              "inspect P --jsn",
                              "inspect P --json x",
                              "convert P",
                              "convert P -o",
                              "convert P O",
                              "preview P -x O",
                              "show P",
                              "--help x",
                              "convert P -o O -o O",
                              "inspect P -- --json",
                              "convert P -o O --json",
                              "preview P -o O --template T",
                              "inspect P -o O",
                              "inspect P --edges=round",
                              "inspect P --edges",
                              "convert P -o O --on-top",
                              "inspect P --on-top",
                              "make P -o O --on-top=yes"}) {
        SCOPED_TRACE(usage);
        const ToolRun run = Tool(usage);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err.find("usage: brimshade-picture inspect PICTURE [--json]"), std::string::npos) << run.err;
    }
    // Soft edges need transparency, which the good picture has not.
    const ToolRun soft = Tool("inspect --edges=soft " + good);
    EXPECT_EQ(soft.status, 1);
    EXPECT_NE(soft.err.find(good + ": soft edges need a picture with transparency"), std::string::npos) << soft.err;
    // Options after the picture, even where getopt would stop at it.
    setenv("POSIXLY_CORRECT", "1", 1);
    EXPECT_EQ(Tool("convert " + good + " -o " + out).status, 0);
    EXPECT_EQ(Tool("preview " + good + " -o" + out).status, 0);
    const ToolRun make = Tool("make " + good + " --template=" + refused + " -o " + out);
    EXPECT_EQ(make.status, 1);
    EXPECT_NE(make.err.find(": " + refused + ": not a Windows program"), std::string::npos) << make.err;
    unsetenv("POSIXLY_CORRECT");
    const ToolRun help = Tool("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: brimshade-picture inspect PICTURE [--json]"), std::string::npos) << help.out;
}

TEST_F(PictureTool, AFolderIsNoPicture)
{
    const ToolRun run = Tool("inspect " + dir_.string());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "brimshade-picture: " + dir_.string() + ": cannot be read: not a regular file\n");
}

// A count of colours used beyond what the bit count allows means a full table,
// as a count of 0 does, rather than a table past the end of the file.
TEST_F(PictureTool, MoreColoursUsedThanBitsAllowMeanTheFullTable)
{
    WriteBytes(dir_ / "many.bmp", With(Bmp(4, 4), 46, 1000));
    const ToolRun run = Tool("inspect " + (dir_ / "many.bmp").string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("256 colours"), std::string::npos) << run.out;
}

// A picture of 300 x 300 different colours: a 24-bit BMP of 270,054 bytes.
void WriteManyColours(const fs::path &path)
{
    std::vector<uint8_t> bgra;
    for (int i = 0; i < 300 * 300; ++i) bgra.insert(bgra.end(), {uint8_t(i), uint8_t(i >> 8), 200, 255});
    WritePng(path, 300, 300, bgra, false);
}

TEST_F(PictureTool, AFailedWriteLeavesTheOldOutputAndNoTemporaryFile)
{
    WriteManyColours(dir_ / "many.png");
    WriteBytes(dir_ / "out.bmp", {'o', 'l', 'd'});
    // The file system full, as a child under a 64 KiB file size limit sees it.
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit = {64 << 10, 64 << 10};
        setrlimit(RLIMIT_FSIZE, &limit);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        execl(BRIMSHADE_PICTURE_TOOL, BRIMSHADE_PICTURE_TOOL, "convert", (dir_ / "many.png").c_str(), "-o",
              (dir_ / "out.bmp").c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_EQ(ReadText(dir_ / "out.bmp"), "old");

    // The final rename fails: the output is a directory.
    fs::create_directory(dir_ / "out_dir");
    const ToolRun run = Tool("convert " + (dir_ / "many.png").string() + " -o " + (dir_ / "out_dir").string());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("out_dir: cannot be written: "), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(dir_ / "out_dir"));
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"many.png", "out.bmp", "out_dir", "stderr", "stdout"}));
}

// Names in the folder, the tool's own files aside.
std::vector<std::string> NamesIn(const fs::path &dir)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(dir))
        if (entry.path().filename() != "stdout" && entry.path().filename() != "stderr")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(PictureTool, OutputsThatAreNoPlainFileKeepWhatTheyAre)
{
    WriteManyColours(dir_ / "many.png");
    const std::string many = (dir_ / "many.png").string();
    ASSERT_EQ(Tool("convert " + many + " -o " + (dir_ / "expected.bmp").string()).status, 0);
    const std::string expected = ReadText(dir_ / "expected.bmp");

    // A FIFO is written into, and stays a FIFO.
    const fs::path fifo = dir_ / "fifo.bmp";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string read;
    std::thread reader([&] { read = ReadText(fifo); });
    const ToolRun toFifo = Tool("convert " + many + " -o " + fifo.string());
    reader.join();
    EXPECT_EQ(toFifo.status, 0) << toFifo.err;
    EXPECT_TRUE(read == expected);
    EXPECT_TRUE(fs::is_fifo(fifo));
    // Nor is a FIFO waited on as a picture: nothing may ever write to it.
    const std::string inspect = "timeout 10 " + std::string(BRIMSHADE_PICTURE_TOOL) + " inspect " + fifo.string() +
                                " 2>" + (dir_ / "stderr").string();
    EXPECT_EQ(WEXITSTATUS(std::system(inspect.c_str())), 1);
    EXPECT_EQ(ReadText(dir_ / "stderr"),
              "brimshade-picture: " + fifo.string() + ": cannot be read: not a regular file\n");

    // A symbolic link stays one: its target is replaced whole.
    WriteBytes(dir_ / "target.bmp", {'o', 'l', 'd'});
    fs::create_symlink("target.bmp", dir_ / "link.bmp");
    EXPECT_EQ(Tool("convert " + many + " -o " + (dir_ / "link.bmp").string()).status, 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.bmp"));
    EXPECT_TRUE(ReadText(dir_ / "target.bmp") == expected);

    // The longest name a folder takes is an output's name like any other;
    // one longer is refused as such. No temporary file is left either way.
    const std::string longest(251, 'x');
    EXPECT_EQ(Tool("convert " + many + " -o " + (dir_ / (longest + ".bmp")).string()).status, 0);
    EXPECT_TRUE(ReadText(dir_ / (longest + ".bmp")) == expected);
    const ToolRun tooLong = Tool("convert " + many + " -o " + (dir_ / (longest + "y.bmp")).string());
    EXPECT_EQ(tooLong.status, 1);
    EXPECT_NE(tooLong.err.find("y.bmp: cannot be written: File name too long\n"), std::string::npos) << tooLong.err;
    EXPECT_EQ(NamesIn(dir_), (std::vector<std::string>{"expected.bmp", "fifo.bmp", "link.bmp", "many.png", "target.bmp",
                                                       longest + ".bmp"}));
}

TEST_F(PictureTool, StandardOutputThatCannotBeWrittenFailsTheTool)
{
    WriteManyColours(dir_ / "many.png");
    const std::string command = std::string(BRIMSHADE_PICTURE_TOOL) + " inspect --json " +
                                (dir_ / "many.png").string() + " >/dev/full 2>" + (dir_ / "stderr").string();
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    const std::string err = ReadText(dir_ / "stderr"), last = err.substr(err.rfind('\n', err.size() - 2) + 1);
    EXPECT_EQ(last, "brimshade-picture: cannot write standard output: No space left on device\n") << err;
}

#if defined(__SANITIZE_ADDRESS__)
#define BRIMSHADE_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BRIMSHADE_ADDRESS_SANITIZER 1
#endif
#endif

// Pictures dropped on the tool, the first too large for the memory the tool
// may have: it is refused, and the next one goes on.
TEST_F(PictureTool, OutOfMemoryRefusesThePictureAndTheNextGoesOn)
{
#ifdef BRIMSHADE_ADDRESS_SANITIZER
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit set here";
#else
    // 256 MiB as the program's 32-bit copy, a few kilobytes as a file.
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = 16384;
    image.height = 4096;
    image.format = PNG_FORMAT_GRAY;
    const std::vector<uint8_t> grey(size_t(image.width) * image.height);
    ASSERT_TRUE(png_image_write_to_file(&image, (dir_ / "huge.png").c_str(), 0, grey.data(), 0, nullptr));
    WriteManyColours(dir_ / "small.png");
    // The tool beside a template it finds, which make refuses once it gets
    // there.
    fs::copy_file(BRIMSHADE_PICTURE_TOOL, dir_ / "brimshade-picture");
    WriteBytes(dir_ / "brimshade.exe", {'M', 'Z'});
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit = {160 << 20, 160 << 20};
        setrlimit(RLIMIT_AS, &limit);
        freopen((dir_ / "stderr").c_str(), "w", stderr);
        execl((dir_ / "brimshade-picture").c_str(), "brimshade-picture", (dir_ / "huge.png").c_str(),
              (dir_ / "small.png").c_str(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    const std::string err = ReadText(dir_ / "stderr");
    EXPECT_EQ(err.substr(0, err.find('\n') + 1),
              "brimshade-picture: " + (dir_ / "huge.png").string() + ": not enough memory for this picture\n");
    EXPECT_NE(err.find("brimshade.exe: "), std::string::npos) << err;
#endif
}

TEST_F(PictureTool, ExactlyTwoHundredFiftySixColoursStayEightBit)
{
    for (int colours : {256, 257}) {
        SCOPED_TRACE(colours);
        std::vector<uint8_t> bgra;
        for (int i = 0; i < 20 * 20; ++i)
            bgra.insert(bgra.end(), {uint8_t(i % colours), uint8_t(i % colours / 256 * 9), 99, 255});
        WritePng(dir_ / "colours.png", 20, 20, bgra, false);
        ToolRun run;
        const BmpPicture bmp = Converted(dir_ / "colours.png", &run);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(bmp.bitCount, colours == 256 ? 8 : 24);
        EXPECT_EQ(bmp.colourTable.size(), colours == 256 ? 4u * 256 : 0u);
        for (int i = 0; i < 20 * 20; ++i)
            EXPECT_EQ(std::memcmp(BmpPixel(bmp, i % 20, i / 20), &bgra[4 * i], 3), 0) << i;
    }
}

TEST_F(PictureTool, InspectSaysWhatWasConverted)
{
    png_test::PngLayout layout{8, 8, 2, 16, true, png_test::Chunk("gAMA", {0, 1, 0x86, 0xA0})};
    WriteBytes(dir_ / "gamma.png", png_test::WritePng(layout));
    EXPECT_NE(Tool("inspect " + (dir_ / "gamma.png").string())
                  .out.find("\n  colours: converted to sRGB from the file's gamma 1.00000\n"),
              std::string::npos);
    EXPECT_NE(Tool("inspect --json " + (dir_ / "gamma.png").string())
                  .out.find("\"file_gamma\": 1.00000, \"gamma_converted\": true"),
              std::string::npos);
    // A 16-bit RGBA picture, interlaced or not: the same BMP, byte for byte.
    std::string bmps[2];
    for (bool interlaced : {false, true}) {
        WriteBytes(dir_ / "rgba.png", png_test::WritePng({33, 17, 6, 16, interlaced, {}}));
        ASSERT_EQ(Tool("convert " + (dir_ / "rgba.png").string() + " -o " + (dir_ / "out.bmp").string()).status, 0);
        bmps[interlaced] = ReadText(dir_ / "out.bmp");
    }
    EXPECT_EQ(bmps[0], bmps[1]);

    bmp_test::Content content;
    content.width = 2;
    content.height = 1;
    content.values = {0x00FFFFFF, 0x00101010}; // alpha 0 throughout
    WriteBytes(dir_ / "alpha.bmp",
               bmp_test::WriteBmp(
                   {"alpha", 124, 32, bmp_test::kBitfields, false, 0, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}}, content));
    const ToolRun run = Tool("inspect " + (dir_ / "alpha.bmp").string());
    EXPECT_NE(run.out.find("\n  alpha: 0 throughout, so unused: the picture is opaque\n"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("see-through pixels: 1 of 2"), std::string::npos) << run.out;
}

} // namespace
