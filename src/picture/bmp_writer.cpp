#include "bmp_writer.h"

#include "bmp_format.h"
#include "little_endian.h"

namespace {

// The V5 header's colour space, 'sRGB', and its rendering intent for
// pictures.
constexpr uint32_t kLcsSrgb = 0x73524742, kLcsGmImages = 4;

} // namespace

std::vector<uint8_t> EncodeBmp(const BmpFormat &format, const BmpRowFiller &fillRow)
{
    const uint32_t rowBytes = format.width * (format.bitCount / 8);
    const uint32_t stride = (rowBytes + 3) / 4 * 4;
    const uint32_t pixelBytes = stride * format.height;
    const bool alpha = format.bitCount == 32;
    const uint32_t headerSize = alpha ? kBmpV5HeaderSize : kBmpInfoHeaderSize;
    const uint32_t pixelsAt = static_cast<uint32_t>(kBmpFileHeaderSize + headerSize + 4 * format.colourTable.size());
    std::vector<uint8_t> out = {'B', 'M'};
    out.reserve(size_t(pixelsAt) + pixelBytes);
    AppendLe32(&out, pixelsAt + pixelBytes);
    AppendLe32(&out, 0); // reserved
    AppendLe32(&out, pixelsAt);
    AppendLe32(&out, headerSize);
    AppendLe32(&out, format.width);
    AppendLe32(&out, format.height); // positive: bottom row first
    AppendLe16(&out, 1);             // planes
    AppendLe16(&out, format.bitCount);
    AppendLe32(&out, alpha ? kBiBitfields : kBiRgb);
    AppendLe32(&out, pixelBytes);
    AppendLe32(&out, 0); // pixels per metre, across and up
    AppendLe32(&out, 0);
    AppendLe32(&out, format.coloursUsed);
    AppendLe32(&out, 0); // every colour important
    if (alpha) {
        for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u}) AppendLe32(&out, mask);
        AppendLe32(&out, kLcsSrgb);
        out.resize(out.size() + 36 + 12, 0); // end points and gammas, which sRGB leaves unused
        AppendLe32(&out, kLcsGmImages);
        out.resize(out.size() + 12, 0); // no profile, and the reserved field
    }
    for (uint32_t entry : format.colourTable) AppendLe32(&out, entry);
    // Zeros, so that the padding of every row is zero too.
    out.resize(size_t(pixelsAt) + pixelBytes, 0);
    for (uint32_t row = 0; row < format.height; ++row) fillRow(row, &out[pixelsAt + size_t(row) * stride]);
    return out;
}
