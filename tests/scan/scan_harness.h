// Surfaces to scan and a record of what the scan hands over, shared by the
// scan's tests.
#pragma once

#include "batch_blocks.h"
#include "color_key_scan.h"

#include <cstdint>
#include <vector>

// A bottom-up 32-bit surface addressed in picture coordinates (y = 0 is the
// top row, stored last).
struct Surface {
    LONG width = 0;
    LONG height = 0;
    LONG stride = 0;
    std::vector<BYTE> bytes;

    Surface(LONG w, LONG h, LONG paddingBytes = 0, uint32_t fill = 0)
        : width(w), height(h), stride(4 * (w > 0 ? w : 0) + paddingBytes),
          bytes(static_cast<size_t>(stride) * (h > 0 ? h : 0))
    {
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) Set(x, y, fill);
    }

    BYTE *Pixel(LONG x, LONG y) { return &bytes[static_cast<size_t>(height - 1 - y) * stride + 4 * x]; }

    // value holds byte 0 in bits 0-7, byte 1 in bits 8-15, byte 2 in 16-23, byte 3 in 24-31.
    void Set(LONG x, LONG y, uint32_t value)
    {
        BYTE *p = Pixel(x, y);
        for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(value >> (8 * i));
    }
};

struct DeliveredBatch {
    RGNDATAHEADER header;
    DWORD cbBatch;
    std::vector<RECT> rects;
};

struct ScanResult {
    BOOL complete;
    std::vector<DeliveredBatch> batches;

    std::vector<RECT> AllRects() const
    {
        std::vector<RECT> all;
        for (const DeliveredBatch &batch : batches) all.insert(all.end(), batch.rects.begin(), batch.rects.end());
        return all;
    }
};

inline void RecordBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    const RECT *prc = reinterpret_cast<const RECT *>(pBatch->Buffer);
    static_cast<ScanResult *>(pContext)->batches.push_back(
        {pBatch->rdh, cbBatch, std::vector<RECT>(prc, prc + pBatch->rdh.nCount)});
}

inline ScanResult Scan(const Surface &surface, DWORD key, DWORD tolerance)
{
    ScanResult result{};
    result.complete = ScanColorKeyRuns(surface.bytes.empty() ? nullptr : surface.bytes.data(), surface.width,
                                       surface.height, surface.stride, key, tolerance, RecordBatch, &result);
    return result;
}

// A surface whose every row holds exactly one run, (0, y, 1, y + 1): pixel 0
// is opaque white and pixel 1 black, see-through under key 0.
inline Surface OneRunPerRow(LONG rows)
{
    Surface surface(2, rows);
    for (LONG y = 0; y < rows; ++y) surface.Set(0, y, 0xFFFFFF);
    return surface;
}
