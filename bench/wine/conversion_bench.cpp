// Times the bitmap-to-region conversion on wine's GDI, whole and step by step,
// beside the same steps with every batch region united in turn into the first
// (as the conversion did before it united them pairwise). The pictures: the
// artwork, the artwork tiled to 2, 4 and 8 times its size in each direction,
// and checkerboards of 10^4 to 10^6 rectangles, the worst case, since no two
// neighbouring rows share a run, so the region cannot merge them. Then
// ExtCreateRegion alone, by the number of rectangles in one request.
//
// Usage: conversion_bench [repetitions]. Prints a Markdown table of medians,
// and fails if any two ways of making a region gave different regions.
#include "art_key.h"
#include "color_key_region.h"
#include "color_key_scan.h"
#include "gdi_objects.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Milliseconds(const std::function<void()> &work)
{
    double start = Now();
    work();
    return (Now() - start) * 1000.0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

// The artwork repeated times x times, in its own 8-bit format and palette.
HBITMAP TiledArtwork(HBITMAP hArt, int times)
{
    DIBSECTION ds;
    GetObjectA(hArt, sizeof(ds), &ds);
    std::vector<RGBQUAD> palette(256);
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hArt);
    GetDIBColorTable(hdc, 0, 256, palette.data());
    SelectObject(hdc, hOld);
    DeleteDC(hdc);

    const BYTE *bits = static_cast<const BYTE *>(ds.dsBm.bmBits);
    int width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight, stride = ds.dsBm.bmWidthBytes;
    return MakeIndexedDib(width * times, height * times, palette, [&](int x, int y) {
        return bits[static_cast<size_t>(height - 1 - y % height) * stride + x % width];
    });
}

// Opaque and see-through pixels alternate along rows and columns: width / 2
// runs in every row, none of them shared with the row above.
HBITMAP Checkerboard(int width, int height)
{
    return MakeIndexedDib(width, height, {{0, 0, 0, 0}, {255, 255, 255, 0}},
                          [](int x, int y) { return static_cast<BYTE>((x + y + 1) % 2); });
}

// The conversion's own steps, done one at a time so that each can be timed:
// the 32-bit surface and the two contexts, the copy, the scan, the batch
// regions, and their union.
struct Surface {
    HDC hMemDC = nullptr, hDC = nullptr;
    HBITMAP hbm32 = nullptr;
    HGDIOBJ hOldMem = nullptr, hOldSrc = nullptr;
    BITMAP bm = {};
};

Surface OpenSurface(HBITMAP hBmp)
{
    Surface s;
    BITMAP src;
    GetObjectA(hBmp, sizeof(src), &src);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = src.bmWidth;
    bmi.bmiHeader.biHeight = src.bmHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void *pvBits = nullptr;
    s.hMemDC = CreateCompatibleDC(nullptr);
    s.hbm32 = CreateDIBSection(s.hMemDC, &bmi, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    s.hOldMem = SelectObject(s.hMemDC, s.hbm32);
    s.hDC = CreateCompatibleDC(s.hMemDC);
    s.hOldSrc = SelectObject(s.hDC, hBmp);
    GetObjectA(s.hbm32, sizeof(s.bm), &s.bm);
    return s;
}

void CloseSurface(Surface &s)
{
    SelectObject(s.hDC, s.hOldSrc);
    DeleteDC(s.hDC);
    SelectObject(s.hMemDC, s.hOldMem);
    DeleteObject(s.hbm32);
    DeleteDC(s.hMemDC);
}

BOOL Scan(const Surface &s, BatchSink sink, void *context)
{
    return ScanColorKeyRuns(static_cast<const BYTE *>(s.bm.bmBits), s.bm.bmWidth, s.bm.bmHeight, s.bm.bmWidthBytes,
                            ART_KEY_COLOR, ART_KEY_TOLERANCE, sink, context);
}

struct Count {
    size_t rects = 0, batches = 0;
};

void CountBatch(const RGNDATA *pBatch, DWORD, void *pContext)
{
    auto *count = static_cast<Count *>(pContext);
    count->rects += pBatch->rdh.nCount;
    ++count->batches;
}

using Batches = std::vector<std::vector<BYTE>>;

void KeepBatch(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    const BYTE *p = reinterpret_cast<const BYTE *>(pBatch);
    static_cast<Batches *>(pContext)->emplace_back(p, p + cbBatch);
}

std::vector<HRGN> MakeRegions(const Batches &batches)
{
    std::vector<HRGN> regions;
    for (const auto &batch : batches)
        regions.push_back(ExtCreateRegion(nullptr, static_cast<DWORD>(batch.size()),
                                          reinterpret_cast<const RGNDATA *>(batch.data())));
    return regions;
}

// Every batch region united, in turn, into the first one.
HRGN UniteInTurn(const std::vector<HRGN> &regions)
{
    for (size_t i = 1; i < regions.size(); ++i) {
        CombineRgn(regions[0], regions[0], regions[i], RGN_OR);
        DeleteObject(regions[i]);
    }
    return regions[0];
}

// Regions of equal rank united pairwise, as the carries of a binary counter,
// and what is left united from the newest down.
HRGN UnitePairwise(const std::vector<HRGN> &regions)
{
    std::vector<HRGN> pending;
    auto mergeNewest = [&pending] {
        HRGN newest = pending.back();
        pending.pop_back();
        CombineRgn(pending.back(), pending.back(), newest, RGN_OR);
        DeleteObject(newest);
    };
    for (size_t i = 0; i < regions.size(); ++i) {
        pending.push_back(regions[i]);
        for (size_t n = i + 1; n % 2 == 0; n /= 2) mergeNewest();
    }
    while (pending.size() > 1) mergeNewest();
    return pending[0];
}

// The whole conversion as it was before batch regions were united pairwise:
// each batch region united into the first as soon as it is made.
HRGN ConvertUnitingInTurn(HBITMAP hBmp)
{
    Surface s = OpenSurface(hBmp);
    BITMAP src;
    GetObjectA(hBmp, sizeof(src), &src);
    BitBlt(s.hMemDC, 0, 0, src.bmWidth, src.bmHeight, s.hDC, 0, 0, SRCCOPY);
    HRGN hRgn = nullptr;
    Scan(s, UniteBatchInTurn, &hRgn);
    CloseSurface(s);
    return hRgn;
}

struct Figures {
    std::string picture;
    int width = 0, height = 0;
    Count count;
    double total = 0, totalInTurn = 0, setup = 0, copy = 0, scan = 0, create = 0, inTurn = 0, pairwise = 0;
    bool same = true; // every way of making the region gave the same one
};

Figures Measure(const std::string &picture, HBITMAP hBmp, int repetitions)
{
    Figures f;
    f.picture = picture;
    BITMAP bm;
    GetObjectA(hBmp, sizeof(bm), &bm);
    f.width = bm.bmWidth;
    f.height = bm.bmHeight;
    std::vector<double> total, totalInTurn, setup, copy, scan, create, inTurn, pairwise;
    for (int r = 0; r < repetitions; ++r) {
        HRGN hWhole = nullptr;
        total.push_back(Milliseconds([&] { hWhole = CreateColorKeyRegion(hBmp, ART_KEY_COLOR, ART_KEY_TOLERANCE); }));
        HRGN hWholeInTurn = nullptr;
        totalInTurn.push_back(Milliseconds([&] { hWholeInTurn = ConvertUnitingInTurn(hBmp); }));

        Surface s;
        setup.push_back(Milliseconds([&] { s = OpenSurface(hBmp); }));
        copy.push_back(Milliseconds([&] { BitBlt(s.hMemDC, 0, 0, f.width, f.height, s.hDC, 0, 0, SRCCOPY); }));
        f.count = {};
        scan.push_back(Milliseconds([&] { Scan(s, CountBatch, &f.count); }));
        Batches batches;
        Scan(s, KeepBatch, &batches);
        CloseSurface(s);

        std::vector<HRGN> regions;
        create.push_back(Milliseconds([&] { regions = MakeRegions(batches); }));
        HRGN hInTurn = nullptr;
        inTurn.push_back(Milliseconds([&] { hInTurn = UniteInTurn(regions); }));
        regions = MakeRegions(batches);
        HRGN hPairwise = nullptr;
        pairwise.push_back(Milliseconds([&] { hPairwise = UnitePairwise(regions); }));

        std::vector<BYTE> expected = RegionData(hInTurn);
        f.same = f.same && hWhole != nullptr && RegionData(hWhole) == expected &&
                 RegionData(hWholeInTurn) == expected && RegionData(hPairwise) == expected;
        DeleteObject(hWholeInTurn);
        DeleteObject(hPairwise);
        DeleteObject(hInTurn);
        DeleteObject(hWhole);
    }
    f.total = Median(total);
    f.totalInTurn = Median(totalInTurn);
    f.setup = Median(setup);
    f.copy = Median(copy);
    f.scan = Median(scan);
    f.create = Median(create);
    f.inTurn = Median(inTurn);
    f.pairwise = Median(pairwise);
    return f;
}

bool PrintRow(const Figures &f)
{
    double pixels = static_cast<double>(f.width) * f.height;
    double rects = static_cast<double>(f.count.rects);
    std::printf("| %s | %dx%d | %.0f | %zu | %zu | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f | %.0f "
                "|%s\n",
                f.picture.c_str(), f.width, f.height, pixels, f.count.rects, f.count.batches, f.total, f.totalInTurn,
                f.setup, f.copy, f.scan, f.create, f.inTurn, f.pairwise, f.total * 1e6 / pixels,
                rects > 0 ? f.total * 1e6 / rects : 0.0, f.same ? "" : " REGIONS DIFFER");
    std::fflush(stdout);
    return f.same;
}

// ExtCreateRegion's cost per rectangle against the number of rectangles in
// one request, for checkerboard rows as the scan lays them out: it tells what
// the batch limit costs on this platform.
void PrintRequestSizes(int repetitions)
{
    std::printf("\nExtCreateRegion alone, by rectangles per request (checkerboard rows of 1000 runs), "
                "200,000 rectangles a repetition:\n\n| rectangles per request | ns/rectangle |\n|--:|--:|\n");
    for (int n : {125, 250, 500, 1000, 2000, 4000}) {
        std::vector<BYTE> block(sizeof(RGNDATAHEADER) + n * sizeof(RECT));
        auto *pData = reinterpret_cast<RGNDATA *>(block.data());
        pData->rdh = {sizeof(RGNDATAHEADER), RDH_RECTANGLES, static_cast<DWORD>(n), 0, {0, 0, 2000, 0}};
        auto *rects = reinterpret_cast<RECT *>(pData->Buffer);
        for (int i = 0; i < n; ++i) {
            int y = i / 1000, x = 2 * (i % 1000) + y % 2;
            rects[i] = {x, y, x + 1, y + 1};
        }
        pData->rdh.rcBound.bottom = (n - 1) / 1000 + 1;
        int requests = 200000 / n;
        std::vector<double> perRect;
        for (int r = 0; r < repetitions; ++r) {
            std::vector<HRGN> regions(requests);
            double ms = Milliseconds([&] {
                for (HRGN &hRgn : regions) hRgn = ExtCreateRegion(nullptr, static_cast<DWORD>(block.size()), pData);
            });
            for (HRGN hRgn : regions) DeleteObject(hRgn);
            perRect.push_back(ms * 1e6 / (static_cast<double>(requests) * n));
        }
        std::printf("| %d | %.0f |\n", n, Median(perRect));
    }
}

} // namespace

int main(int argc, char **argv)
{
    int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::printf("Medians of %d repetitions, in milliseconds unless stated.\n\n", repetitions);
    std::printf("Whole conversions: CreateColorKeyRegion as built, and the same steps uniting each batch region\n"
                "into the first in turn. Its steps one by one: set-up (contexts and 32-bit DIB section), copy\n"
                "(BitBlt to 32 bits), scan (counting only), ExtCreateRegion of every batch, and the union of\n"
                "those regions each way. ns/pixel and ns/rectangle are of CreateColorKeyRegion.\n\n");
    std::printf("| picture | size | pixels | rectangles | batches | CreateColorKeyRegion | uniting in turn | set-up "
                "| copy | scan | ExtCreateRegion | CombineRgn in turn | CombineRgn pairwise | ns/pixel "
                "| ns/rectangle |\n");
    std::printf("|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|\n");

    HBITMAP hArt = LoadArtworkResource();
    if (hArt == nullptr) {
        std::fprintf(stderr, "the artwork resource did not load\n");
        return 1;
    }
    bool same = PrintRow(Measure("artwork", hArt, repetitions));
    for (int times : {2, 4, 8}) {
        HBITMAP hTiled = TiledArtwork(hArt, times);
        same &= PrintRow(
            Measure("artwork tiled " + std::to_string(times) + "x" + std::to_string(times), hTiled, repetitions));
        DeleteObject(hTiled);
    }
    DeleteObject(hArt);

    // 1000 runs a row; rows give the count of rectangles.
    for (int rows : {10, 30, 100, 300, 1000}) {
        HBITMAP hBoard = Checkerboard(2000, rows);
        same &= PrintRow(Measure("checkerboard", hBoard, repetitions));
        DeleteObject(hBoard);
    }

    PrintRequestSizes(repetitions);
    return same ? 0 : 1;
}
