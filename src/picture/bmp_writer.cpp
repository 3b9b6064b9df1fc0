#include "bmp_writer.h"

#include "bmp_format.h"
#include "little_endian.h"

std::vector<uint8_t> EncodeBmp(const BmpFormat &format, const BmpRowFiller &fillRow)
{
    const uint32_t rowBytes = format.width * (format.bitCount / 8);
    const uint32_t stride = (rowBytes + 3) / 4 * 4;
    const uint32_t pixelBytes = stride * format.height;
    const uint32_t pixelsAt =
        static_cast<uint32_t>(kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * format.colourTable.size());
    std::vector<uint8_t> out = {'B', 'M'};
    out.reserve(size_t(pixelsAt) + pixelBytes);
    AppendLe32(&out, pixelsAt + pixelBytes);
    AppendLe32(&out, 0); // reserved
    AppendLe32(&out, pixelsAt);
    AppendLe32(&out, kBmpInfoHeaderSize);
    AppendLe32(&out, format.width);
    AppendLe32(&out, format.height); // positive: bottom row first
    AppendLe16(&out, 1);             // planes
    AppendLe16(&out, format.bitCount);
    AppendLe32(&out, kBiRgb);
    AppendLe32(&out, pixelBytes);
    AppendLe32(&out, 0); // pixels per metre, across and up
    AppendLe32(&out, 0);
    AppendLe32(&out, format.coloursUsed);
    AppendLe32(&out, 0); // every colour important
    for (uint32_t entry : format.colourTable) AppendLe32(&out, entry);
    // Zeros, so that the padding of every row is zero too.
    out.resize(size_t(pixelsAt) + pixelBytes, 0);
    for (uint32_t row = 0; row < format.height; ++row) fillRow(row, &out[pixelsAt + size_t(row) * stride]);
    return out;
}
