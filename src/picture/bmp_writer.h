// The one writer of BMP files, beside the one reader, rows bottom-up and
// padded to whole 4-byte words: a BITMAPINFOHEADER, BI_RGB, 8 bits a pixel
// with a colour table or 24 bits without one; or a BITMAPV5HEADER,
// BI_BITFIELDS, 32 bits of blue, green, red and alpha (not premultiplied)
// in sRGB, the form viewers and the platform take as a picture with alpha.
// The picture tool writes the BMP the program embeds with it, and
// tools/make_artwork.cpp the artwork.
#ifndef BRIMSHADE_BMP_WRITER_H
#define BRIMSHADE_BMP_WRITER_H

#include <cstdint>
#include <functional>
#include <vector>

struct BmpFormat {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t bitCount = 24; // 8, 24, or 32 with alpha
    // For 8 bits, blue | green << 8 | red << 16 for each entry.
    std::vector<uint32_t> colourTable;
    // The header's biClrUsed: the table's length, or 0 for a full table.
    uint32_t coloursUsed = 0;
};

// Fills row (0 is the bottom row) with its width x bitCount / 8 bytes of
// colour indices, of blue, green and red, or of blue, green, red and alpha;
// the writer pads it.
using BmpRowFiller = std::function<void(uint32_t row, uint8_t *pRow)>;

std::vector<uint8_t> EncodeBmp(const BmpFormat &format, const BmpRowFiller &fillRow);

#endif
