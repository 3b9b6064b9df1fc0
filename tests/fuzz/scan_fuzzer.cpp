// libFuzzer target: the scan on surfaces, keys and tolerances taken from the
// input, every delivered batch checked against a plain per-pixel reading of
// the colour key, and planned failures of the batch memory. Any mismatch
// aborts, which libFuzzer reports as a crash.
//
// Input layout (integers little-endian; missing bytes read as zero):
//   0   int16  width             may be zero or negative
//   2   int16  height            may be zero or negative; cut so that the
//                                surface holds at most kMaxPixels pixels
//   4   uint8  padding           low three bits: whole pixels of row padding
//   5   uint32 key
//   9   uint32 tolerance
//   13  uint8  failing call      0 none, 1 GlobalAlloc, 2 GlobalReAlloc, 3 GlobalLock (mod 4)
//   14  uint8  which one         the nth call of that kind fails (0: none)
//   15  ...    pixel bytes, repeated to fill the surface (zero if none)
//
// Row padding and everything past the last pixel are poisoned for
// AddressSanitizer, so a read of anything but a pixel is caught.
#include "color_key_scan.h"
#include "global_memory_control.h"

#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 15;
constexpr LONG kMaxPixels = 1 << 15;

struct FuzzCase {
    LONG width;
    LONG height;
    LONG stride;
    DWORD key;
    DWORD tolerance;
    int failKind; // 0: no planned failure, else 1 + GlobalMemoryCall
    int failAt;
    const uint8_t *pixelBytes;
    size_t pixelByteCount;
};

uint32_t ReadLittleEndian(const uint8_t *header, size_t at, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | header[at + i];
    return value;
}

FuzzCase ParseCase(const uint8_t *data, size_t size)
{
    uint8_t header[kHeaderSize] = {};
    std::memcpy(header, data, std::min(size, kHeaderSize));
    FuzzCase fc;
    fc.width = static_cast<int16_t>(ReadLittleEndian(header, 0, 2));
    fc.height = static_cast<int16_t>(ReadLittleEndian(header, 2, 2));
    if (fc.width > 0 && fc.height > kMaxPixels / fc.width)
        fc.height = kMaxPixels / fc.width; // at least 1: the width is below kMaxPixels
    fc.stride = 4 * (std::max<LONG>(fc.width, 0) + (header[4] & 7));
    fc.key = ReadLittleEndian(header, 5, 4);
    fc.tolerance = ReadLittleEndian(header, 9, 4);
    fc.failKind = header[13] % 4;
    fc.failAt = header[14];
    if (fc.failAt == 0) fc.failKind = 0;
    fc.pixelBytes = data + std::min(size, kHeaderSize);
    fc.pixelByteCount = size - std::min(size, kHeaderSize);
    return fc;
}

[[noreturn]] void Fail(const char *what)
{
    std::fprintf(stderr, "scan_fuzzer: %s\n", what);
    std::abort();
}

void Require(bool condition, const char *what)
{
    if (!condition) Fail(what);
}

// The surface in a buffer that ends with the last pixel of the row stored
// last; each row's padding is poisoned. ASan poisons whole 8-byte granules
// from their end only, so padding that shares a granule with the start of the
// next row stays readable: with strides that are a multiple of 8 the check is
// exact, otherwise up to 4 bytes before every other row escape it.
class PoisonedSurface {
public:
    explicit PoisonedSurface(const FuzzCase &fc) : fc_(fc)
    {
        if (fc.width <= 0 || fc.height <= 0) return;
        bytes_.resize(static_cast<size_t>(fc.height - 1) * fc.stride + 4 * static_cast<size_t>(fc.width));
        for (size_t i = 0; i < bytes_.size(); ++i)
            bytes_[i] = fc.pixelByteCount ? fc.pixelBytes[i % fc.pixelByteCount] : 0;
        for (LONG row = 0; row + 1 < fc.height; ++row)
            ASAN_POISON_MEMORY_REGION(Row(row) + 4 * fc.width, fc.stride - 4 * fc.width);
    }
    ~PoisonedSurface()
    {
        if (!bytes_.empty()) ASAN_UNPOISON_MEMORY_REGION(bytes_.data(), bytes_.size());
    }
    PoisonedSurface(const PoisonedSurface &) = delete;
    PoisonedSurface &operator=(const PoisonedSurface &) = delete;

    // Null when the surface has no pixels: the scan must then read nothing.
    const BYTE *Bits() const { return bytes_.empty() ? nullptr : bytes_.data(); }
    const BYTE *Pixel(LONG x, LONG y) const { return Row(fc_.height - 1 - y) + 4 * x; }

private:
    const BYTE *Row(LONG row) const { return bytes_.data() + static_cast<size_t>(row) * fc_.stride; }
    BYTE *Row(LONG row) { return bytes_.data() + static_cast<size_t>(row) * fc_.stride; }

    FuzzCase fc_;
    std::vector<BYTE> bytes_;
};

bool ReferenceSeeThrough(const BYTE *pixel, DWORD key, DWORD tolerance)
{
    for (int c = 0; c < 3; ++c) {
        const int lo = (key >> (8 * c)) & 0xFF;
        const int hi = std::min(255, lo + static_cast<int>((tolerance >> (8 * c)) & 0xFF));
        if (pixel[c] < lo || pixel[c] > hi) return false;
    }
    return true;
}

// Maximal runs of pixels that are not see-through, rows from the top, left to
// right: equality with this list covers the union, the order and the rule
// that runs of a row never touch.
std::vector<RECT> ReferenceRuns(const FuzzCase &fc, const PoisonedSurface &surface)
{
    std::vector<RECT> runs;
    if (fc.width <= 0 || fc.height <= 0) return runs;
    for (LONG y = 0; y < fc.height; ++y) {
        LONG x = 0;
        while (x < fc.width) {
            while (x < fc.width && ReferenceSeeThrough(surface.Pixel(x, y), fc.key, fc.tolerance)) ++x;
            const LONG left = x;
            while (x < fc.width && !ReferenceSeeThrough(surface.Pixel(x, y), fc.key, fc.tolerance)) ++x;
            if (x > left) runs.push_back(RECT{left, y, x, y + 1});
        }
    }
    return runs;
}

struct Delivery {
    RGNDATAHEADER header;
    DWORD cbBatch;
    std::vector<RECT> rects;
    GLOBALMEMORYSTATS statsAtDelivery;
};

void RecordDelivery(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    // Touching every byte the size claims lets ASan prove the block is that long.
    std::vector<BYTE> whole(cbBatch);
    std::memcpy(whole.data(), pBatch, cbBatch);
    Require(cbBatch >= sizeof(RGNDATAHEADER) + pBatch->rdh.nCount * sizeof(RECT), "batch size below its count");
    const RECT *rects = reinterpret_cast<const RECT *>(pBatch->Buffer);
    static_cast<std::vector<Delivery> *>(pContext)->push_back(
        {pBatch->rdh, cbBatch, std::vector<RECT>(rects, rects + pBatch->rdh.nCount), GetGlobalMemoryStats()});
}

bool SameRect(const RECT &a, const RECT &b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Delivery i must hold the reference runs from 2000 * i on, with a header
// and a size as a batch of RGNDATA; a full batch when more follow.
void CheckDelivery(const Delivery &batch, size_t index, const std::vector<RECT> &expected, DWORD *pLargestCount)
{
    const size_t first = index * RECT_BATCH_LIMIT;
    Require(first <= expected.size(), "more batches than the runs fill");
    const size_t count = std::min<size_t>(RECT_BATCH_LIMIT, expected.size() - first);
    Require(batch.header.nCount == count, "batch count differs from the reference");
    for (size_t i = 0; i < count; ++i)
        Require(SameRect(batch.rects[i], expected[first + i]), "rectangle differs from the reference");

    Require(batch.header.dwSize == sizeof(RGNDATAHEADER), "dwSize");
    Require(batch.header.iType == RDH_RECTANGLES, "iType");
    Require(batch.header.nRgnSize == 0, "nRgnSize");
    RECT bound = {MAXLONG, MAXLONG, 0, 0};
    for (const RECT &rc : batch.rects) {
        bound.left = std::min(bound.left, rc.left);
        bound.top = std::min(bound.top, rc.top);
        bound.right = std::max(bound.right, rc.right);
        bound.bottom = std::max(bound.bottom, rc.bottom);
    }
    Require(SameRect(batch.header.rcBound, bound), "rcBound is not the batch's bounding box (or the reset value)");

    // Room grows by RECT_BATCH_STEP from RECT_BATCH_STEP and never shrinks.
    *pLargestCount = std::max<DWORD>(*pLargestCount, batch.header.nCount);
    const DWORD capacity =
        std::max<DWORD>(RECT_BATCH_STEP, (*pLargestCount + RECT_BATCH_STEP - 1) / RECT_BATCH_STEP * RECT_BATCH_STEP);
    Require(batch.cbBatch == sizeof(RGNDATAHEADER) + capacity * sizeof(RECT), "cbBatch is not 32 + 16 * capacity");
}

int CallsMade(const GLOBALMEMORYSTATS &stats, int failKind)
{
    switch (failKind) {
    case 1 + GMC_ALLOC: return stats.nAllocCalls;
    case 1 + GMC_REALLOC: return stats.nReAllocCalls;
    default: return stats.nLockCalls;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzCase fc = ParseCase(data, size);
    const PoisonedSurface surface(fc);
    const std::vector<RECT> expected = ReferenceRuns(fc, surface);

    ResetGlobalMemoryStats();
    if (fc.failKind != 0) FailGlobalMemoryCall(static_cast<GlobalMemoryCall>(fc.failKind - 1), fc.failAt);
    std::vector<Delivery> batches;
    const BOOL complete = ScanColorKeyRuns(surface.Bits(), fc.width, fc.height, fc.stride, fc.key, fc.tolerance,
                                           RecordDelivery, &batches);
    const GLOBALMEMORYSTATS stats = GetGlobalMemoryStats();
    ResetGlobalMemoryStats();

    Require(stats.nLiveBlocks == 0, "the scan left a movable block alive");
    DWORD largestCount = 0;
    for (size_t i = 0; i < batches.size(); ++i) CheckDelivery(batches[i], i, expected, &largestCount);

    const bool failed = fc.failKind != 0 && CallsMade(stats, fc.failKind) >= fc.failAt;
    if (failed) {
        Require(!complete, "the scan reported success although its memory failed");
        for (const Delivery &batch : batches)
            Require(CallsMade(batch.statsAtDelivery, fc.failKind) < fc.failAt,
                    "a batch was delivered after the failure");
    } else {
        Require(complete, "the scan reported a failure that did not happen");
        Require(batches.size() == expected.size() / RECT_BATCH_LIMIT + 1, "not every batch was delivered");
    }
    return 0;
}
