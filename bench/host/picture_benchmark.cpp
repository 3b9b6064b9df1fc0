// Times `brimshade-picture inspect` on 3840 x 2160 PNGs beside libpng decoding
// the same file alone, in the same run: inspect's own work (judging the
// pixels, the scan and its figures) is what it takes beyond the decoding.
// Times `make` beside `convert` of the same files too: what writing the
// program around the picture costs. make takes the template the tool finds
// by itself, the win32 build's program beside the bench build.
//
//   picture_benchmark TOOL [Google Benchmark options]
//
// Two pictures, written to the temporary directory at start: the artwork
// tiled, as an opaque RGB PNG, and a figure with a black outline on a
// transparent background, as an RGBA PNG. Each is timed twice: as processes
// of their own (the tool, and this program decoding the file once), and
// within this process (libpng, and the tool's steps). Every time is
// wall-clock time.
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

// Blue, green, red, alpha, top row first.
std::vector<uint8_t> TiledArtwork()
{
    std::ifstream in(BRIMSHADE_ARTWORK, std::ios::binary);
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
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
            std::memcpy(&pixels[4 * (size_t(y) * kWidth + x)], &art.pixels[4 * (size_t(ay) * art.width + x % art.width)], 4);
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

// libpng alone: the file decoded to the same 32-bit pixels inspect works on.
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
        std::vector<uint8_t> bytes;
        Picture picture;
        std::string error;
        if (!ReadFileBytes(path.c_str(), &bytes, &error) || !ReadPicture(bytes.data(), bytes.size(), &picture, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        JudgePicture(&picture);
        const RegionFigures figures = MeasureRegion(picture);
        benchmark::DoNotOptimize(figures.rectangles);
    }
}

void Register(const std::string &name, const std::string &path)
{
    const std::vector<std::pair<std::string, std::function<void(benchmark::State &)>>> cases = {
        {"process/libpng_decode/", [path](benchmark::State &s) { TimeProcess(s, {g_self, "--decode", path}); }},
        {"process/inspect/", [path](benchmark::State &s) { TimeProcess(s, {g_tool, "inspect", path}); }},
        {"process/convert/", [path](benchmark::State &s) { TimeProcess(s, {g_tool, "convert", path, "-o", TempPath("brimshade_out.bmp")}); }},
        {"process/make/", [path](benchmark::State &s) { TimeProcess(s, {g_tool, "make", path, "-o", TempPath("brimshade_out.exe")}); }},
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
        std::fprintf(stderr, "usage: picture_benchmark TOOL [Google Benchmark options]\n");
        return 2;
    }
    g_tool = argv[1];
    const std::string tiled = WritePng("brimshade_tiled_3840x2160.png", TiledArtwork(), false);
    const std::string figure = WritePng("brimshade_figure_3840x2160.png", Figure(), true);
    Register("tiled_artwork_rgb", tiled);
    Register("figure_rgba", figure);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const std::string &path : {tiled, figure, TempPath("brimshade_out.bmp"), TempPath("brimshade_out.exe")})
        std::remove(path.c_str());
    return 0;
}
