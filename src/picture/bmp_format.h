// The fixed sizes and codes of the BMP format that the reader and the writer
// share.
#ifndef BRIMSHADE_BMP_FORMAT_H
#define BRIMSHADE_BMP_FORMAT_H

#include <cstddef>
#include <cstdint>

// The file's own header ("BM", sizes and the pixels' offset), which a bitmap
// resource goes without, and the BITMAPINFOHEADER that follows it.
constexpr size_t kBmpFileHeaderSize = 14;
constexpr uint32_t kBmpInfoHeaderSize = 40;
// BITMAPV5HEADER: the info header, the four masks, the colour space and its
// end points and gammas, the rendering intent and a profile's place.
constexpr uint32_t kBmpV5HeaderSize = 124;

// biCompression.
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5;

#endif
