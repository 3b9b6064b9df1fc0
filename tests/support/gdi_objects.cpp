#include "gdi_objects.h"

#include "resource.h"

#include <algorithm>

HBITMAP MakeDibSection(int width, int height, int bitCount, const std::vector<RGBQUAD> &colors, const DibFill &fill,
                       bool topDown)
{
    std::vector<BYTE> info(sizeof(BITMAPINFOHEADER) + colors.size() * sizeof(RGBQUAD));
    BITMAPINFO *pbmi = reinterpret_cast<BITMAPINFO *>(info.data());
    pbmi->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pbmi->bmiHeader.biWidth = width;
    pbmi->bmiHeader.biHeight = topDown ? -height : height;
    pbmi->bmiHeader.biPlanes = 1;
    pbmi->bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    pbmi->bmiHeader.biCompression = BI_RGB;
    pbmi->bmiHeader.biClrUsed = static_cast<DWORD>(colors.size());
    std::copy(colors.begin(), colors.end(), pbmi->bmiColors);
    void *pvBits = nullptr;
    HBITMAP hBmp = CreateDIBSection(nullptr, pbmi, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    if (hBmp != nullptr) fill(static_cast<BYTE *>(pvBits), ((width * bitCount + 31) / 32) * 4);
    return hBmp;
}

HBITMAP MakeIndexedDib(int width, int height, const std::vector<RGBQUAD> &palette,
                       const std::function<BYTE(int x, int y)> &index)
{
    return MakeDibSection(width, height, 8, palette, [&](BYTE *bits, int stride) {
        for (int y = 0; y < height; ++y) {
            BYTE *row = bits + static_cast<size_t>(height - 1 - y) * stride;
            for (int x = 0; x < width; ++x) row[x] = index(x, y);
        }
    });
}

HBITMAP LoadArtworkResource()
{
    return static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ARTWORK), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

std::vector<BYTE> RegionData(HRGN hRgn)
{
    std::vector<BYTE> data(GetRegionData(hRgn, 0, nullptr));
    if (data.empty() ||
        GetRegionData(hRgn, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA *>(data.data())) != data.size())
        return {};
    return data;
}

void UniteBatchInTurn(const RGNDATA *pBatch, DWORD cbBatch, void *pContext)
{
    HRGN *phRgn = static_cast<HRGN *>(pContext);
    HRGN hBatch = ExtCreateRegion(nullptr, cbBatch, pBatch);
    if (*phRgn == nullptr) {
        *phRgn = hBatch;
    } else {
        CombineRgn(*phRgn, *phRgn, hBatch, RGN_OR);
        DeleteObject(hBatch);
    }
}
