// Times `brimshade-picture inspect` on 3840 x 2160 PNGs beside libpng decoding
// the same file alone, in the same run: inspect's own work (judging the
// pixels, the scan and its figures) is what it takes beyond the decoding.
// Times `make` beside `convert` of the same files too: what writing the
// program around the picture costs. make takes the template the tool finds
// by itself, the win32 build's program beside the bench build.
//
//   picture_benchmark TOOL [Google Benchmark options]
//   picture_benchmark --write-pictures      (writes the three PNGs and ends)
//
// Three pictures, written to the temporary directory at start: the artwork
// tiled, as an opaque RGB PNG, and a figure with a black outline on a
// transparent background, as an 8-bit RGBA PNG and as an interlaced 16-bit
// one. Each is timed twice: as processes of their own (the tool, and this
// program decoding the file once), and within this process (libpng, and the
// tool's steps). Every time is wall-clock time.
//
// Beside them, reading the tiled artwork as an RLE8 BMP against reading it
// stored uncompressed at 8 bits, in this process.
#include "bmp_reader.h"
#include "picture.h"
#include "region_figures.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

extern char **environ;

namespace {

constexpr int kWidth = 3840, kHeight = 2160;

std::string g_tool;
std::string g_self;

std::vector<uint8_t> ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Blue, green, red, alpha, top row first.
std::vector<uint8_t> TiledArtwork()
{
    const std::vector<uint8_t> file = ReadWholeFile(BRIMSHADE_ARTWORK);
    BmpPicture art;
    std::string error;
    if (!ReadBmp(file.data(), file.size(), &art, &error)) {
        std::fprintf(stderr, "%s: %s\n", BRIMSHADE_ARTWORK, error.c_str());
        std::exit(1);
    }
    std::vector<uint8_t> pixels(size_t(4) * kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int ay = art.height - 1 - y % art.height; // the reader's rows are bottom row first
            std::memcpy(&pixels[4 * (size_t(y) * kWidth + x)],
                        &art.pixels[4 * (size_t(ay) * art.width + x % art.width)], 4);
        }
    return pixels;
}

// A disc with a shaded fill and a black outline, on a transparent background.
std::vector<uint8_t> Figure()
{
    std::vector<uint8_t> pixels(size_t(4) * kWidth * kHeight, 0);
    const double cx = kWidth / 2.0, cy = kHeight / 2.0, r = kHeight * 0.45;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const double d = std::hypot(x - cx, y - cy);
            uint8_t *p = &pixels[4 * (size_t(y) * kWidth + x)];
            if (d > r) continue;
            const bool outline = d > r - 12;
            p[0] = outline ? 0 : static_cast<uint8_t>(60 + y % 64);
            p[1] = outline ? 0 : static_cast<uint8_t>(120 + x % 96);
            p[2] = outline ? 0 : static_cast<uint8_t>(250 - (x + y) % 50);
            p[3] = 255;
        }
    return pixels;
}

std::string TempPath(const std::string &name)
{
    return (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + ("/" + name);
}

std::string WritePng(const std::string &name, const std::vector<uint8_t> &bgra, bool alpha)
{
    const std::string path = TempPath(name);
    std::vector<uint8_t> pixels;
    for (size_t i = 0; i < bgra.size(); i += 4) pixels.insert(pixels.end(), &bgra[i], &bgra[i] + (alpha ? 4 : 3));
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = kWidth;
    image.height = kHeight;
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
        std::exit(1);
    }
    return path;
}

// The picture as an interlaced 16-bit RGBA PNG, through libpng's row API: its
// simplified API writes neither interlaced nor 16-bit non-linear files.
std::string WriteInterlaced16BitPng(const std::string &name, const std::vector<uint8_t> &bgra)
{
    const std::string path = (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + ("/" + name);
    std::FILE *file = std::fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!file || !info || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "%s: cannot be written\n", path.c_str());
        std::exit(1);
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, 16, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // 16-bit samples: each 8-bit value widened, with low bits that vary.
    std::vector<uint8_t> rows(size_t(8) * kWidth * kHeight);
    std::vector<png_bytep> rowPointers(kHeight);
    for (size_t i = 0; i < bgra.size(); i += 4)
        for (int c = 0; c < 4; ++c) {
            rows[2 * (i + c)] = bgra[i + (c == 3 ? 3 : 2 - c)];
            rows[2 * (i + c) + 1] = static_cast<uint8_t>(i * 7 + c);
        }
    for (int y = 0; y < kHeight; ++y) rowPointers[y] = &rows[size_t(8) * kWidth * y];
    png_set_rows(png, info, rowPointers.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return path;
}

// One row as RLE8: runs of two or more, absolute runs of three or more
// (padded to 16 bits), single pixels as runs of one, then end of line.
void AppendRle8Row(const std::vector<uint8_t> &row, std::vector<uint8_t> *pOut)
{
    const int width = static_cast<int>(row.size());
    auto repeats = [&](int x) { // how often row[x] repeats from x on
        int n = 1;
        while (x + n < width && n < 255 && row[x + n] == row[x]) ++n;
        return n;
    };
    for (int x = 0, n; x < width; x += n) {
        n = repeats(x);
        if (n == 1) // pixels up to the next repeat
            while (x + n < width && n < 255 && repeats(x + n) == 1) ++n;
        if (n >= 3 && repeats(x) == 1) {
            pOut->insert(pOut->end(), {0, uint8_t(n)});
            pOut->insert(pOut->end(), &row[x], &row[x] + n);
            if (n % 2) pOut->push_back(0);
            continue;
        }
        n = repeats(x);
        pOut->insert(pOut->end(), {uint8_t(n), row[x]});
    }
    pOut->insert(pOut->end(), {0, 0});
}

// The tiled artwork as an 8-bit BMP, its rows stored as they are or as RLE8.
std::vector<uint8_t> TiledArtworkBmp(bool rle)
{
    std::ifstream in(BRIMSHADE_ARTWORK, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BmpPicture art;
    std::string error;
    ReadBmp(file.data(), file.size(), &art, &error);
    std::vector<uint8_t> out(file.begin(), file.begin() + 14 + 40 + 1024), row(kWidth);
    for (int y = 0; y < kHeight; ++y) { // bottom row first, as the artwork's own
        for (int x = 0; x < kWidth; ++x) row[x] = art.indices[size_t(y % art.height) * art.width + x % art.width];
        if (rle)
            AppendRle8Row(row, &out);
        else
            out.insert(out.end(), row.begin(), row.end());
    }
    if (rle) out.insert(out.end(), {0, 1});
    const uint32_t size = static_cast<uint32_t>(out.size());
    std::memcpy(&out[2], &size, 4);
    std::memcpy(&out[18], &kWidth, 4);
    std::memcpy(&out[22], &kHeight, 4);
    out[30] = rle ? 1 : 0; // BI_RLE8 or BI_RGB
    std::memset(&out[34], 0, 4);
    return out;
}

bool SamePixels(const std::vector<uint8_t> &a, const std::vector<uint8_t> &b)
{
    BmpPicture bmpA, bmpB;
    std::string error;
    return ReadBmp(a.data(), a.size(), &bmpA, &error) && ReadBmp(b.data(), b.size(), &bmpB, &error) &&
           bmpA.pixels == bmpB.pixels;
}

void TimeBmpRead(benchmark::State &state, const std::vector<uint8_t> &file)
{
    for (auto _ : state) {
        BmpPicture bmp;
        std::string error;
        if (!ReadBmp(file.data(), file.size(), &bmp, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        benchmark::DoNotOptimize(bmp.pixels.data());
    }
}

// libpng alone: the file decoded to the same 32-bit pixels inspect works on,
// 16-bit files without gamma taken as sRGB, as inspect takes them.
bool Decode(const char *path, std::string *pError)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        *pError = image.message;
        return false;
    }
    image.format = PNG_FORMAT_BGRA;
    image.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        *pError = image.message;
        return false;
    }
    benchmark::DoNotOptimize(pixels.data());
    return true;
}

void TimeDecode(benchmark::State &state, const std::string &path)
{
    std::string error;
    for (auto _ : state)
        if (!Decode(path.c_str(), &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
}

// A program run once on the file, its output thrown away. A process of its
// own pays for what a warm one does not: loading, and the first touch of
// every page of the 33 MB of pixels, dear on this virtual machine. Besides
// the wall-clock time, the counter child_cpu_ms is the process's own user and
// system time, which other work on a shared machine disturbs far less.
void TimeProcess(benchmark::State &state, std::vector<std::string> args)
{
    double cpuMs = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char *> argv;
    for (std::string &arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    for (auto _ : state) {
        pid_t pid;
        int status = -1;
        struct rusage usage;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0 ||
            wait4(pid, &status, 0, &usage) != pid || status != 0) {
            state.SkipWithError((args[0] + " failed").c_str());
            break;
        }
        cpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                 (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    }
    state.counters["child_cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
    posix_spawn_file_actions_destroy(&actions);
}

// The same steps in this process: what the tool spends beyond starting.
void TimeInspectSteps(benchmark::State &state, const std::string &path)
{
    for (auto _ : state) {
        const std::vector<uint8_t> bytes = ReadWholeFile(path);
        Picture picture;
        std::string error;
        if (!ReadPicture(bytes.data(), bytes.size(), &picture, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        EncodeShapeInColours(&picture);
        const RegionFigures figures = MeasureRegion(picture);
        benchmark::DoNotOptimize(figures.rectangles);
    }
}

void Register(const std::string &name, const std::string &path)
{
    const std::vector<std::pair<std::string, std::function<void(benchmark::State &)>>> cases = {
        {"process/libpng_decode/",
         [path](benchmark::State &s) {
             TimeProcess(s, {g_self, "--decode", path});
         }},
        {"process/inspect/",
         [path](benchmark::State &s) {
             TimeProcess(s, {g_tool, "inspect", path});
         }},
        {"process/convert/",
         [path](benchmark::State &s) {
             TimeProcess(s, {g_tool, "convert", path, "-o", TempPath("brimshade_out.bmp")});
         }},
        {"process/make/",
         [path](benchmark::State &s) {
             TimeProcess(s, {g_tool, "make", path, "-o", TempPath("brimshade_out.exe")});
         }},
        {"in_process/libpng_decode/", [path](benchmark::State &s) { TimeDecode(s, path); }},
        {"in_process/inspect_steps/", [path](benchmark::State &s) { TimeInspectSteps(s, path); }},
    };
    for (const auto &c : cases)
        benchmark::RegisterBenchmark((c.first + name).c_str(), c.second)->UseRealTime()->Unit(benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    // What the benchmark runs as libpng's own process.
    if (argc == 3 && std::strcmp(argv[1], "--decode") == 0) {
        std::string error;
        return Decode(argv[2], &error) ? 0 : 1;
    }
    g_self = argv[0];
    benchmark::Initialize(&argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: picture_benchmark TOOL [Google Benchmark options]\n"
                             "       picture_benchmark --write-pictures\n");
        return 2;
    }
    g_tool = argv[1];
    const std::string tiled = WritePng("brimshade_tiled_3840x2160.png", TiledArtwork(), false);
    const std::string figure = WritePng("brimshade_figure_3840x2160.png", Figure(), true);
    const std::string figure16 = WriteInterlaced16BitPng("brimshade_figure_16_interlaced_3840x2160.png", Figure());
    // For timing other builds of the tool on the same pictures
    // (bench/wine/compare_tools.py).
    if (g_tool == "--write-pictures") {
        std::printf("%s\n%s\n%s\n", tiled.c_str(), figure.c_str(), figure16.c_str());
        return 0;
    }
    Register("tiled_artwork_rgb", tiled);
    Register("figure_rgba", figure);
    Register("figure_rgba_16_interlaced", figure16);
    const std::vector<uint8_t> stored = TiledArtworkBmp(false), rle = TiledArtworkBmp(true);
    if (!SamePixels(stored, rle)) {
        std::fprintf(stderr, "the RLE8 artwork does not read as the stored one\n");
        return 1;
    }
    benchmark::RegisterBenchmark("bmp_read/uncompressed_8/tiled_artwork",
                                 [&stored](benchmark::State &s) { TimeBmpRead(s, stored); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("bmp_read/rle8/tiled_artwork", [&rle](benchmark::State &s) { TimeBmpRead(s, rle); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string &path :
         {tiled, figure, figure16, TempPath("brimshade_out.bmp"), TempPath("brimshade_out.exe")})
        std::remove(path.c_str());
    return 0;
}
