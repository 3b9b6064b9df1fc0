#include "artwork_file.h"

#include "resource.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

uint32_t U32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

} // namespace

bool IsNearBlack(uint8_t blue, uint8_t green, uint8_t red)
{
    return blue <= 16 && green <= 16 && red <= 16;
}

ArtworkFile ReadArtworkFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t kFileHeader = 14, kInfoHeader = 40, kPalette = 1024;
    ArtworkFile art;
    if (file.size() < kFileHeader + kInfoHeader + kPalette || file[0] != 'B' || file[1] != 'M') {
        ADD_FAILURE() << path << " is not a BMP file";
        return art;
    }
    art.dib.assign(file.begin() + kFileHeader, file.end());
    art.width = static_cast<int>(U32(art.dib, 4));
    art.height = static_cast<int>(U32(art.dib, 8));
    const size_t stride = (static_cast<size_t>(art.width) + 3) & ~size_t(3);
    if (art.dib[14] != 8 || art.width <= 0 || art.height <= 0 ||
        art.dib.size() < kInfoHeader + kPalette + stride * art.height) {
        ADD_FAILURE() << path << " is not an 8-bit bottom-up BMP with 256 colours";
        return ArtworkFile();
    }
    art.palette.assign(art.dib.begin() + kInfoHeader, art.dib.begin() + kInfoHeader + kPalette);
    const uint8_t *pixels = art.dib.data() + kInfoHeader + kPalette;
    for (int y = 0; y < art.height; ++y) {
        const uint8_t *row = pixels + static_cast<size_t>(art.height - 1 - y) * stride;
        for (int x = 0; x < art.width; ++x) {
            const uint8_t *entry = &art.palette[4 * row[x]];
            art.indices.push_back(row[x]);
            art.seeThrough.push_back(IsNearBlack(entry[0], entry[1], entry[2]));
        }
    }
    return art;
}

HBITMAP LoadArtworkResource()
{
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_ARTWORK), IMAGE_BITMAP,
                                           0, 0, LR_CREATEDIBSECTION));
}
