// The bitmap-to-region conversion on the real GDI: the calls it makes and in
// what order, what it releases on every path, and the pixels its region covers
// for the artwork and for sources of every common format.
#include "api_hooks.h"
#include "artwork_file.h"
#include "batch_blocks.h"
#include "color_key_region.h"
#include "call_trace.h"
#include "conversion_test.h"
#include "gdi_objects.h"
#include "near_black.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

using ColorKeyRegion = ConversionTest;

// The pixels of the picture that are not see-through, top row first.
std::vector<bool> Opaque(const std::vector<bool> &seeThrough)
{
    std::vector<bool> opaque(seeThrough.size());
    for (size_t i = 0; i < seeThrough.size(); ++i) opaque[i] = !seeThrough[i];
    return opaque;
}

TEST_F(ColorKeyRegion, ArtworkBecomesTwoBatchesUnitedIntoItsShape)
{
    ArtworkFile art = ReadArtworkFile(BRIMSHADE_ARTWORK_BMP);
    ASSERT_EQ(art.width, 489);
    HBITMAP hArt = LoadArtworkResource();
    ASSERT_NE(hArt, nullptr);

    HRGN hRgn = Convert(hArt);
    ASSERT_NE(hRgn, nullptr);
    EXPECT_EQ(CallTrace(calls_, {{Bits(hArt), "art"}}),
              (std::vector<std::string>{
                  "CreateCompatibleDC(0) = dc1",
                  "CreateDIBSection(dc1) = dib1",
                  "SelectObject(dc1, dib1) = old1",
                  "CreateCompatibleDC(dc1) = dc2",
                  "SelectObject(dc2, art) = old1", // both contexts start with the same stock bitmap
                  "BitBlt(dc1, 0, 0, 489, 317, dc2, 0, 0, SRCCOPY) = 1",
                  "GdiFlush() = 1", // the copy is in the surface's memory before the scan reads it
                  "ExtCreateRegion(0, 32032, 2000 in (0, 0, 488, 214)) = rgn1",
                  "ExtCreateRegion(0, 32032, 944 in (0, 213, 488, 316)) = rgn2",
                  "CombineRgn(rgn1, rgn1, rgn2, RGN_OR) = ok",
                  "DeleteObject(rgn2) = 1",
                  "SelectObject(dc2, old1) = art",
                  "DeleteDC(dc2) = 1",
                  "SelectObject(dc1, old1) = dib1",
                  "DeleteObject(dib1) = 1",
                  "DeleteDC(dc1) = 1",
              }));
    EXPECT_EQ(CallsOf(calls_, Api::GlobalAlloc).size(), 1u);
    EXPECT_EQ(CallsOf(calls_, Api::GlobalReAlloc).size(), 19u);
    ExpectReleasedInOrder(calls_, Bits(hRgn));

    RECT box;
    EXPECT_EQ(GetRgnBox(hRgn, &box), COMPLEXREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 488);
    EXPECT_EQ(box.bottom, 316);
    EXPECT_EQ(RegionMask(hRgn, 489, 317), Opaque(art.seeThrough));
    DeleteObject(hRgn);
    DeleteObject(hArt);
}

TEST_F(ColorKeyRegion, SourceIsLeftUnchangedAndFreeToSelect)
{
    HBITMAP hArt = LoadArtworkResource();
    DIBSECTION ds;
    ASSERT_EQ(GetObjectA(hArt, sizeof(ds), &ds), static_cast<int>(sizeof(ds)));
    const BYTE *pBits = static_cast<const BYTE *>(ds.dsBm.bmBits);
    std::vector<BYTE> before(pBits, pBits + ds.dsBmih.biSizeImage);

    DeleteObject(Convert(hArt));

    EXPECT_TRUE(std::equal(before.begin(), before.end(), pBits));
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hArt);
    EXPECT_NE(hOld, nullptr) << "the source is still selected somewhere";
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hArt);
}

// Each step that can fail, made to fail in turn. Whatever was made is released
// in order, and the result is null: a region with part of the picture missing
// would be a wrong shape reported as right.
TEST_F(ColorKeyRegion, EachFailureGivesNullAndReleasesEverything)
{
    const struct {
        Api api;
        int nth;
        const char *what;
    } failures[] = {
        {Api::CreateCompatibleDC, 1, "first memory context"},
        {Api::CreateDIBSection, 1, "DIB section"},
        {Api::SelectObject, 1, "selecting the DIB section"},
        {Api::CreateCompatibleDC, 2, "second memory context"},
        {Api::SelectObject, 2, "selecting the source"},
        {Api::BitBlt, 1, "copy to 32 bits"},
        {Api::GdiFlush, 1, "flushing the copy"},
        {Api::GlobalAlloc, 1, "batch allocation"},
        {Api::GlobalReAlloc, 7, "seventh growth"},
        {Api::GlobalLock, 3, "lock after the second growth"},
        {Api::ExtCreateRegion, 1, "first batch region"},
        {Api::ExtCreateRegion, 2, "second batch region"},
        {Api::CombineRgn, 1, "union"},
    };
    HBITMAP hArt = LoadArtworkResource();
    for (const auto &failure : failures) {
        SCOPED_TRACE(failure.what);
        StartRecording();
        FailCall(failure.api, failure.nth);
        HRGN hRgn = CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE);
        calls_ = StopRecording();
        EXPECT_EQ(hRgn, nullptr);
        ExpectReleasedInOrder(calls_, 0);
    }
    DeleteObject(hArt);
}

TEST_F(ColorKeyRegion, FailuresBeforeTheCopyReleaseExactlyWhatWasMade)
{
    HBITMAP hArt = LoadArtworkResource();
    std::map<uintptr_t, std::string> names = {{Bits(hArt), "art"}};

    StartRecording();
    FailCall(Api::CreateCompatibleDC, 1);
    EXPECT_EQ(CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
    EXPECT_EQ(CallTrace(StopRecording(), names), (std::vector<std::string>{"CreateCompatibleDC(0) = 0"}));

    StartRecording();
    FailCall(Api::CreateDIBSection, 1);
    EXPECT_EQ(CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
    EXPECT_EQ(
        CallTrace(StopRecording(), names),
        (std::vector<std::string>{"CreateCompatibleDC(0) = dc1", "CreateDIBSection(dc1) = 0", "DeleteDC(dc1) = 1"}));

    StartRecording();
    FailCall(Api::SelectObject, 1);
    EXPECT_EQ(CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
    EXPECT_EQ(CallTrace(StopRecording(), names),
              (std::vector<std::string>{"CreateCompatibleDC(0) = dc1", "CreateDIBSection(dc1) = dib1",
                                        "SelectObject(dc1, dib1) = 0", "DeleteObject(dib1) = 1", "DeleteDC(dc1) = 1"}));

    StartRecording();
    FailCall(Api::CreateCompatibleDC, 2);
    EXPECT_EQ(CreateColorKeyRegion(hArt, ART_KEY_COLOR, ART_KEY_TOLERANCE), nullptr);
    EXPECT_EQ(
        CallTrace(StopRecording(), names),
        (std::vector<std::string>{"CreateCompatibleDC(0) = dc1", "CreateDIBSection(dc1) = dib1",
                                  "SelectObject(dc1, dib1) = old1", "CreateCompatibleDC(dc1) = 0",
                                  "SelectObject(dc1, old1) = dib1", "DeleteObject(dib1) = 1", "DeleteDC(dc1) = 1"}));
    DeleteObject(hArt);
}

TEST_F(ColorKeyRegion, NullOrNonBitmapSourceGivesNullAndMakesNothing)
{
    EXPECT_EQ(Convert(nullptr), nullptr);
    EXPECT_TRUE(calls_.empty());

    HRGN hNotABitmap = CreateRectRgn(0, 0, 4, 4);
    EXPECT_EQ(Convert(reinterpret_cast<HBITMAP>(hNotABitmap)), nullptr);
    ExpectReleasedInOrder(calls_, 0);
    DeleteObject(hNotABitmap);
}

TEST_F(ColorKeyRegion, SourceSelectedElsewhereGivesNullRatherThanAWrongShape)
{
    HBITMAP hBmp =
        MakeDibSection(8, 8, 24, {}, [](BYTE *bits, int stride) { std::fill(bits, bits + 8 * stride, 0xFF); });
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hBmp);
    EXPECT_EQ(Convert(hBmp), nullptr);
    ExpectReleasedInOrder(calls_, 0);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hBmp);
}

TEST_F(ColorKeyRegion, AllSeeThroughGivesTheEmptyRegionFromOneEmptyBatch)
{
    HBITMAP hBmp =
        MakeDibSection(13, 9, 24, {}, [](BYTE *bits, int stride) { std::fill(bits, bits + 9 * stride, 0x10); });
    HRGN hRgn = Convert(hBmp);
    ASSERT_NE(hRgn, nullptr);
    std::vector<ApiCall> regions = CallsOf(calls_, Api::ExtCreateRegion);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].rdh.nCount, 0u);
    EXPECT_EQ(regions[0].args[1], kFirstBlockBytes);
    RECT box;
    EXPECT_EQ(GetRgnBox(hRgn, &box), NULLREGION);
    DeleteObject(hRgn);
    DeleteObject(hBmp);
}

TEST_F(ColorKeyRegion, NoSeeThroughGivesOneRectangleOfThePicture)
{
    HBITMAP hBmp =
        MakeDibSection(13, 9, 24, {}, [](BYTE *bits, int stride) { std::fill(bits, bits + 9 * stride, 0x11); });
    HRGN hRgn = Convert(hBmp);
    RECT box;
    EXPECT_EQ(GetRgnBox(hRgn, &box), SIMPLEREGION);
    EXPECT_EQ(box.right, 13);
    EXPECT_EQ(box.bottom, 9);
    EXPECT_EQ(GetRegionData(hRgn, 0, nullptr), sizeof(RGNDATAHEADER) + sizeof(RECT));
    DeleteObject(hRgn);
    DeleteObject(hBmp);
}

// A pattern of colours near the key's edges: which of them are see-through is
// known from the colour alone.
struct Probe {
    BYTE blue, green, red;
};
const Probe kProbes[] = {{0, 0, 0},  {16, 16, 16},    {8, 0, 16},   {17, 0, 0},    {0, 17, 0},
                         {0, 0, 17}, {255, 255, 255}, {16, 16, 17}, {200, 100, 50}};
const int kProbeCount = sizeof(kProbes) / sizeof(kProbes[0]);
const int kWidth = 37, kHeight = 23; // odd, so rows of most formats are padded

int ProbeAt(int x, int y)
{
    return (x * 5 + y * 3 + x * y) % kProbeCount;
}

std::vector<bool> ProbeOpaqueMask()
{
    std::vector<bool> opaque;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const Probe &p = kProbes[ProbeAt(x, y)];
            opaque.push_back(!IsNearBlack(p.blue, p.green, p.red));
        }
    return opaque;
}

// Row of picture row y in a bottom-up DIB.
BYTE *Row(BYTE *bits, int stride, int y)
{
    return bits + static_cast<size_t>(kHeight - 1 - y) * stride;
}

std::vector<RGBQUAD> ProbePalette(int entries)
{
    std::vector<RGBQUAD> colors(entries, RGBQUAD{255, 255, 255, 0});
    for (int i = 0; i < kProbeCount && i < entries; ++i)
        colors[i] = RGBQUAD{kProbes[i].blue, kProbes[i].green, kProbes[i].red, 0};
    return colors;
}

HBITMAP IndexedProbes(int bitCount)
{
    // 1 bit holds two of the probes only: black and (17, 0, 0) via index 3 folded to 1.
    return MakeDibSection(kWidth, kHeight, bitCount, ProbePalette(1 << bitCount), [bitCount](BYTE *bits, int stride) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                int index = ProbeAt(x, y) % (1 << bitCount);
                int bit = x * bitCount;
                BYTE *p = Row(bits, stride, y) + bit / 8;
                *p |= static_cast<BYTE>(index << (8 - bitCount - bit % 8));
            }
    });
}

std::vector<bool> IndexedProbeOpaqueMask(int bitCount)
{
    std::vector<RGBQUAD> colors = ProbePalette(1 << bitCount);
    std::vector<bool> opaque;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const RGBQUAD &c = colors[ProbeAt(x, y) % (1 << bitCount)];
            opaque.push_back(!IsNearBlack(c.rgbBlue, c.rgbGreen, c.rgbRed));
        }
    return opaque;
}

HBITMAP TrueColorProbes(int bitCount, bool topDown = false)
{
    return MakeDibSection(
        kWidth, kHeight, bitCount, {},
        [bitCount, topDown](BYTE *bits, int stride) {
            for (int y = 0; y < kHeight; ++y) {
                BYTE *row = topDown ? bits + static_cast<size_t>(y) * stride : Row(bits, stride, y);
                for (int x = 0; x < kWidth; ++x) {
                    const Probe &p = kProbes[ProbeAt(x, y)];
                    BYTE *px = row + x * (bitCount / 8);
                    px[0] = p.blue;
                    px[1] = p.green;
                    px[2] = p.red;
                    if (bitCount == 32) px[3] = static_cast<BYTE>(x * 41 + y); // never looked at
                }
            }
        },
        topDown);
}

// 5-5-5 keeps five bits a channel: values up to 2 widen to at most 16 and are
// see-through, 3 widens to 24 and is not, in any widening the platform uses.
HBITMAP Rgb555Probes(std::vector<bool> *opaque)
{
    const BYTE levels[] = {0, 1, 2, 3, 31};
    auto level = [&](int x, int y, int c) { return levels[(x * (c + 2) + y * (c + 1) + c) % 5]; };
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            opaque->push_back(level(x, y, 0) > 2 || level(x, y, 1) > 2 || level(x, y, 2) > 2);
    return MakeDibSection(kWidth, kHeight, 16, {}, [&](BYTE *bits, int stride) {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                WORD value = static_cast<WORD>(level(x, y, 0) | level(x, y, 1) << 5 | level(x, y, 2) << 10);
                std::memcpy(Row(bits, stride, y) + 2 * x, &value, 2);
            }
    });
}

// A bitmap in the screen's own format, drawn from a 24-bit DIB.
HBITMAP DeviceProbes()
{
    HBITMAP hDib = TrueColorProbes(24);
    HDC hScreen = GetDC(nullptr);
    HBITMAP hDdb = CreateCompatibleBitmap(hScreen, kWidth, kHeight);
    HDC hSrc = CreateCompatibleDC(hScreen), hDst = CreateCompatibleDC(hScreen);
    HGDIOBJ hOldSrc = SelectObject(hSrc, hDib), hOldDst = SelectObject(hDst, hDdb);
    BitBlt(hDst, 0, 0, kWidth, kHeight, hSrc, 0, 0, SRCCOPY);
    SelectObject(hDst, hOldDst);
    SelectObject(hSrc, hOldSrc);
    DeleteDC(hDst);
    DeleteDC(hSrc);
    ReleaseDC(nullptr, hScreen);
    DeleteObject(hDib);
    return hDdb;
}

TEST_F(ColorKeyRegion, SourcesOfEveryCommonFormatGiveTheShapeTheirColoursImply)
{
    std::vector<bool> rgb555Opaque;
    const struct {
        const char *format;
        HBITMAP hBmp;
        std::vector<bool> opaque;
    } sources[] = {
        {"1 bit", IndexedProbes(1), IndexedProbeOpaqueMask(1)},
        {"4 bits", IndexedProbes(4), IndexedProbeOpaqueMask(4)},
        {"8 bits", IndexedProbes(8), IndexedProbeOpaqueMask(8)},
        {"16 bits 5-5-5", Rgb555Probes(&rgb555Opaque), rgb555Opaque},
        {"24 bits", TrueColorProbes(24), ProbeOpaqueMask()},
        {"32 bits", TrueColorProbes(32), ProbeOpaqueMask()},
        {"24 bits top-down", TrueColorProbes(24, true), ProbeOpaqueMask()},
        {"device-compatible", DeviceProbes(), ProbeOpaqueMask()},
    };
    for (const auto &source : sources) {
        SCOPED_TRACE(source.format);
        ASSERT_NE(source.hBmp, nullptr);
        HRGN hRgn = Convert(source.hBmp);
        ASSERT_NE(hRgn, nullptr);
        EXPECT_EQ(RegionMask(hRgn, kWidth, kHeight), source.opaque);
        ExpectReleasedInOrder(calls_, Bits(hRgn));
        DeleteObject(hRgn);
        DeleteObject(source.hBmp);
    }
}

TEST_F(ColorKeyRegion, KeyAndToleranceBoundStoredBytesInOrder)
{
    // Key component 0 bounds the stored byte 0, blue: 0x60..0x70; green
    // 0x40..0x50; red 0x20..0x30.
    const BYTE bgr[][3] = {{0x60, 0x40, 0x20}, {0x70, 0x50, 0x30}, {0x65, 0x45, 0x25}, {0x71, 0x45, 0x25},
                           {0x65, 0x3F, 0x25}, {0x65, 0x45, 0x31}, {0x20, 0x40, 0x60}};
    const bool opaque[] = {false, false, false, true, true, true, true};
    HBITMAP hBmp = MakeDibSection(7, 1, 24, {}, [&](BYTE *bits, int) { std::memcpy(bits, bgr, sizeof(bgr)); });
    HRGN hRgn = Convert(hBmp, 0x204060, 0x101010);
    EXPECT_EQ(RegionMask(hRgn, 7, 1), std::vector<bool>(opaque, opaque + 7));
    DeleteObject(hRgn);
    DeleteObject(hBmp);
}

TEST_F(ColorKeyRegion, TwentyThousandConversionsAllSucceedAndLeaveNothingBehind)
{
    HBITMAP hBmp = TrueColorProbes(24);
    int failures = 0, leaks = 0;
    for (int i = 0; i < 20000; ++i) {
        HRGN hRgn = Convert(hBmp);
        failures += hRgn == nullptr;
        std::vector<uintptr_t> unreleased = UnreleasedObjects(calls_);
        leaks += !(unreleased.size() == 1 && unreleased[0] == Bits(hRgn));
        DeleteObject(hRgn);
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(leaks, 0);
    DeleteObject(hBmp);
}

} // namespace
