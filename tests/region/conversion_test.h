// What the conversion's tests share: a fixture that converts with every call
// recorded, and pictures made from a rule that says which pixels are opaque,
// for pictures of any size and any number of batches.
#pragma once

#include "api_hooks.h"
#include "art_key.h"
#include "color_key_region.h"
#include "gdi_objects.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <vector>

class ConversionTest : public testing::Test {
protected:
    static void SetUpTestSuite() { InstallApiHooks(); }

    // Converts with every call recorded in calls_; the test owns the result.
    HRGN Convert(HBITMAP hBmp, COLORREF key = ART_KEY_COLOR, COLORREF tolerance = ART_KEY_TOLERANCE)
    {
        StartRecording();
        HRGN hRgn = CreateColorKeyRegion(hBmp, key, tolerance);
        calls_ = StopRecording();
        return hRgn;
    }

    std::vector<ApiCall> calls_;
};

using OpaqueRule = std::function<bool(int x, int y)>;

// An 8-bit bottom-up DIB section with a two-colour palette: opaque pixels
// white, the others black (see-through for the key 0 and any tolerance).
inline HBITMAP MaskPicture(int width, int height, const OpaqueRule &opaque)
{
    return MakeIndexedDib(width, height, {{0, 0, 0, 0}, {255, 255, 255, 0}},
                          [&](int x, int y) { return static_cast<BYTE>(opaque(x, y) ? 1 : 0); });
}

// The opaque pixels, top row first, as RegionMask gives a region's pixels.
inline std::vector<bool> MaskOf(int width, int height, const OpaqueRule &opaque)
{
    std::vector<bool> mask(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) mask[static_cast<size_t>(y) * width + x] = opaque(x, y);
    return mask;
}

// Mixes two numbers into a well-spread one, for patterns without regularity.
inline unsigned Mix(unsigned a, unsigned b)
{
    unsigned h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0xC2B2AE3Du;
    return h ^ (h >> 13);
}
