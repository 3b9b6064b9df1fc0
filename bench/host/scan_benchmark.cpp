// Times the colour-key scan on the surfaces that matter, each beside a plain
// read of the same buffer: the read is what memory allows, so scan time over
// read time says how much the scan itself costs.
//
//   scan_benchmark [Google Benchmark options]
//   bench/host/scan_ratios.py   (runs it a few times and prints the ratios)
//
// Every case is checked once before it is timed: the scan must find exactly
// the runs that a plain per-pixel count finds.
#include "art_key.h"
#include "bmp_reader.h"
#include "color_key_scan.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifdef BRIMSHADE_PER_PIXEL_SCAN
namespace per_pixel_scan {
BOOL ScanColorKeyRuns(const BYTE *pBits, LONG nWidth, LONG nHeight, LONG cbStride, DWORD dwKey, DWORD dwTolerance,
                      BatchSink pfnSink, void *pContext);
}
#endif

namespace {

constexpr uint32_t kSeeThrough = 0x00000000;
constexpr uint32_t kOpaque = 0x00C08040;

// A bottom-up surface of 32-bit pixels without row padding, as the program's
// conversion makes it.
struct Surface {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    Surface(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}

    // Picture coordinates: y = 0 is the top row, stored last.
    uint32_t &At(int x, int y) { return pixels[static_cast<size_t>(height - 1 - y) * width + x]; }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(height - 1 - y) * width + x]; }
    const BYTE *Bits() const { return reinterpret_cast<const BYTE *>(pixels.data()); }
    LONG Stride() const { return 4 * width; }
    size_t Bytes() const { return pixels.size() * 4; }
};

// The artwork file, expanded through its colour table to what the
// conversion's copy gives (blue, green, red, 0).
Surface LoadArtwork()
{
    std::ifstream in(BRIMSHADE_ARTWORK, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BmpPicture bmp;
    std::string error;
    if (!ReadBmp(file.data(), file.size(), &bmp, &error)) {
        std::fprintf(stderr, "%s: %s\n", BRIMSHADE_ARTWORK, error.c_str());
        std::exit(1);
    }
    Surface art(bmp.width, bmp.height);
    for (size_t i = 0; i < art.pixels.size(); ++i) // both bottom row first
        art.pixels[i] = bmp.pixels[4 * i] | bmp.pixels[4 * i + 1] << 8 | bmp.pixels[4 * i + 2] << 16;
    return art;
}

Surface Tiled(const Surface &art, int width, int height)
{
    Surface tiled(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) tiled.At(x, y) = art.At(x % art.width, y % art.height);
    return tiled;
}

Surface Alternating(int width, int height)
{
    Surface surface(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) surface.At(x, y) = (x + y) % 2 ? kOpaque : kSeeThrough;
    return surface;
}

Surface Filled(int width, int height, uint32_t pixel)
{
    Surface surface(width, height);
    surface.pixels.assign(surface.pixels.size(), pixel);
    return surface;
}

// Runs counted one pixel at a time, to check the scan's output against.
uint64_t CountRunsPerPixel(const Surface &surface)
{
    uint64_t runs = 0;
    for (int y = 0; y < surface.height; ++y) {
        bool inRun = false;
        for (int x = 0; x < surface.width; ++x) {
            const uint32_t pixel = surface.At(x, y);
            const bool seeThrough =
                (pixel & 0xFF) <= 0x10 && (pixel >> 8 & 0xFF) <= 0x10 && (pixel >> 16 & 0xFF) <= 0x10;
            runs += !seeThrough && !inRun;
            inRun = !seeThrough;
        }
    }
    return runs;
}

void CountRects(const RGNDATA *pBatch, DWORD, void *pContext)
{
    *static_cast<uint64_t *>(pContext) += pBatch->rdh.nCount;
}

using ScanFunction = BOOL (*)(const BYTE *, LONG, LONG, LONG, DWORD, DWORD, BatchSink, void *);

void SetRates(benchmark::State &state, const Surface &surface)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * surface.Bytes()));
    state.counters["pixels/s"] =
        benchmark::Counter(static_cast<double>(surface.pixels.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void TimeScan(benchmark::State &state, const Surface *surface, ScanFunction scan)
{
    const uint64_t expected = CountRunsPerPixel(*surface);
    uint64_t rects = 0;
    for (auto _ : state) {
        rects = 0;
        BOOL complete = scan(surface->Bits(), surface->width, surface->height, surface->Stride(), ART_KEY_COLOR,
                             ART_KEY_TOLERANCE, CountRects, &rects);
        benchmark::DoNotOptimize(complete);
    }
    if (rects != expected) {
        state.SkipWithError(("found " + std::to_string(rects) + " runs, expected " + std::to_string(expected)).c_str());
        return;
    }
    SetRates(state, *surface);
    state.counters["rects/s"] =
        benchmark::Counter(static_cast<double>(rects), benchmark::Counter::kIsIterationInvariantRate);
}

// Sums every pixel of the buffer in memory order, which the compiler turns into
// wide loads and adds: what memory delivers to a loop that does next to
// nothing with the bytes. Only the final sum is kept from being optimised away.
void TimeRead(benchmark::State &state, const Surface *surface)
{
    for (auto _ : state) {
        uint32_t sum = 0;
        for (uint32_t pixel : surface->pixels) sum += pixel;
        benchmark::DoNotOptimize(sum);
    }
    SetRates(state, *surface);
}

void Register(const std::string &name, const Surface *surface)
{
    benchmark::RegisterBenchmark(("read/" + name).c_str(), TimeRead, surface);
#ifdef BRIMSHADE_PER_PIXEL_SCAN
    benchmark::RegisterBenchmark(("per_pixel_scan/" + name).c_str(), TimeScan, surface,
                                 per_pixel_scan::ScanColorKeyRuns);
#endif
    benchmark::RegisterBenchmark(("scan/" + name).c_str(), TimeScan, surface, ScanColorKeyRuns);
}

} // namespace

int main(int argc, char **argv)
{
    const int kWidth = 3840, kHeight = 2160;
    const Surface artwork = LoadArtwork();
    const Surface tiled = Tiled(artwork, kWidth, kHeight);
    const Surface alternating = Alternating(kWidth, kHeight);
    const Surface opaque = Filled(kWidth, kHeight, kOpaque);
    const Surface seeThrough = Filled(kWidth, kHeight, kSeeThrough);

    Register("artwork", &artwork);
    Register("tiled_3840x2160", &tiled);
    Register("alternating_3840x2160", &alternating);
    Register("opaque_3840x2160", &opaque);
    Register("see_through_3840x2160", &seeThrough);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
