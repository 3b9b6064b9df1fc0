#include "artwork_file.h"

#include "bmp_reader.h"
#include "near_black.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

ArtworkFile ReadArtworkFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    BmpPicture bmp;
    std::string error;
    if (!ReadBmp(file.data(), file.size(), &bmp, &error)) {
        ADD_FAILURE() << path << ": " << error;
        return ArtworkFile();
    }
    if (bmp.bitCount != 8 || bmp.topDown || bmp.colourTable.size() != 256 * 4) {
        ADD_FAILURE() << path << " is not an 8-bit bottom-up BMP with 256 colours";
        return ArtworkFile();
    }
    ArtworkFile art;
    art.width = bmp.width;
    art.height = bmp.height;
    art.dib.assign(file.begin() + 14, file.end());
    art.palette = bmp.colourTable;
    for (int y = 0; y < art.height; ++y) {
        const size_t row = static_cast<size_t>(art.height - 1 - y) * art.width; // stored bottom row first
        for (int x = 0; x < art.width; ++x) {
            const uint8_t *bgra = &bmp.pixels[4 * (row + x)];
            art.indices.push_back(bmp.indices[row + x]);
            art.seeThrough.push_back(IsNearBlack(bgra[0], bgra[1], bgra[2]));
        }
    }
    return art;
}
