// The one reader of BMP files: it takes what the program can be given as its
// picture (the 12-byte core header, BITMAPINFOHEADER and its V2, V3, V4 and
// V5 extensions; 1, 4, 8, 16, 24 and 32 bits; BI_RGB, BI_BITFIELDS with or
// without an alpha mask, BI_RLE8 and BI_RLE4; rows bottom-up or top-down;
// colour tables shorter than the maximum) and refuses anything else with a
// reason, before allocating anything the size of the picture. It reads from
// memory only, so that the host tool and the tests that run under wine share
// it.
#ifndef BRIMSHADE_BMP_READER_H
#define BRIMSHADE_BMP_READER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The largest picture taken: the program copies it to 32 bits a pixel.
constexpr int64_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPictureCopyBytes = int64_t(256) << 20;

// Empty when a picture of this size may be read, else why not.
std::string CheckPictureSize(int64_t width, int64_t height);

struct BmpPicture {
    int width = 0;
    int height = 0;
    uint32_t headerSize = 0; // 12, 40, 52, 56, 108 or 124
    uint16_t bitCount = 0;
    uint32_t compression = 0; // 0 (BI_RGB), 1 (BI_RLE8), 2 (BI_RLE4) or 3 (BI_BITFIELDS)
    bool topDown = false;
    // An alpha mask (BI_BITFIELDS from the 56-byte header on) that gives
    // some pixel an alpha above 0; or one that gives every pixel 0, which
    // leaves the channel unused and the picture opaque.
    bool hasAlpha = false;
    bool alphaUnused = false;
    // Up to 8 bits a pixel: the file's colour table as blue, green, red, 0,
    // and each pixel's index into it, bottom row first.
    std::vector<uint8_t> colourTable;
    std::vector<uint8_t> indices;
    // Blue, green, red and alpha (255 without an alpha in use) for each
    // pixel, bottom row first, rows 4 x width bytes apart: the surface the
    // program's scan takes. Pixels an RLE stream skips are black.
    std::vector<uint8_t> pixels;
};

// "BMP, BITMAPINFOHEADER (40 bytes), 8 bits, BI_RGB, bottom-up, 256 colours".
std::string DescribeBmp(const BmpPicture &bmp);

// Reads a whole BMP file held in memory. On refusal returns false and sets
// *pError to the rule the file breaks; *pBmp is then unspecified.
bool ReadBmp(const uint8_t *pData, size_t cbData, BmpPicture *pBmp, std::string *pError);

#endif
