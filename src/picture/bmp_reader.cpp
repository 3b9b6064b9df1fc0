#include "bmp_reader.h"

#include "bmp_format.h"
#include "little_endian.h"

namespace {

bool Refuse(std::string *pError, std::string reason)
{
    *pError = std::move(reason);
    return false;
}

const char *CompressionName(uint32_t compression)
{
    switch (compression) {
    case kBiRgb: return "BI_RGB";
    case kBiRle8: return "BI_RLE8";
    case kBiRle4: return "BI_RLE4";
    case kBiBitfields: return "BI_BITFIELDS";
    case kBiJpeg: return "BI_JPEG";
    case kBiPng: return "BI_PNG";
    default: return "unknown";
    }
}

// One colour channel of a BI_BITFIELDS or 16- and 32-bit BI_RGB pixel,
// widened to 8 bits the way the platform's conversion does it: a narrow field
// is shifted to the top of the byte and its top bits repeated once below, so
// that a full 5-bit field becomes 255; a wide one keeps its top 8 bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0; // of the mask's lowest bit
    int bits = 0;

    static bool Make(uint32_t mask, Channel *pChannel)
    {
        Channel c;
        c.mask = mask;
        if (mask) {
            while (!(mask >> c.shift & 1)) ++c.shift;
            uint32_t field = mask >> c.shift;
            while (c.bits < 32 && (field >> c.bits & 1)) ++c.bits;
            if (c.bits < 32 && field >> c.bits) return false; // holes in the mask
        }
        *pChannel = c;
        return true;
    }

    uint8_t Of(uint32_t pixel) const
    {
        if (!bits) return 0;
        uint32_t field = (pixel & mask) >> shift;
        if (bits >= 8) return static_cast<uint8_t>(field >> (bits - 8));
        uint32_t widened = field << (8 - bits);
        return static_cast<uint8_t>(widened | widened >> bits);
    }
};

struct Layout {
    int64_t width = 0, height = 0; // height without its sign
    uint32_t headerSize = 0, bitCount = 0, compression = 0;
    bool core = false, topDown = false;
    uint64_t tableAt = 0, tableEntries = 0, entrySize = 4;
    uint64_t pixelsAt = 0, stride = 0;
    uint32_t masks[4] = {}; // red, green, blue, alpha
};

bool KnownHeaderSize(uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool IsRle(uint32_t compression)
{
    return compression == kBiRle8 || compression == kBiRle4;
}

// The header's own fields, for the 12-byte core header and the longer ones.
void ReadHeaderFields(const uint8_t *h, Layout *pLayout, int64_t *pHeight)
{
    Layout &l = *pLayout;
    l.core = l.headerSize == 12;
    if (l.core) {
        l.width = GetLe16(h + 4);
        *pHeight = GetLe16(h + 6);
        l.bitCount = GetLe16(h + 10);
        l.entrySize = 3;
    } else {
        l.width = static_cast<int32_t>(GetLe32(h + 4));
        *pHeight = static_cast<int32_t>(GetLe32(h + 8));
        l.bitCount = GetLe16(h + 14);
        l.compression = GetLe32(h + 16);
    }
}

// Which pairs of bit count and compression are read.
bool CheckEncoding(const Layout &l, int64_t height, std::string *pError)
{
    const uint32_t b = l.bitCount, c = l.compression;
    const std::string notRead = "not a BMP this tool reads: ";
    if (c == kBiJpeg && b == 24) return Refuse(pError, notRead + "RLE24 (compression 4 with 24 bits a pixel)");
    if (c == kBiJpeg || c == kBiPng)
        return Refuse(pError, notRead + (c == kBiJpeg ? "a JPEG" : "a PNG") + " inside (" + CompressionName(c) + ")");
    if (c != kBiRgb && c != kBiBitfields && !IsRle(c))
        return Refuse(pError, notRead + "compression " + std::to_string(c));
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        return Refuse(pError, notRead + std::to_string(b) + " bits a pixel");
    if ((c == kBiBitfields && b != 16 && b != 32) || (c == kBiRle8 && b != 8) || (c == kBiRle4 && b != 4))
        return Refuse(pError, notRead + CompressionName(c) + " with " + std::to_string(b) + " bits a pixel");
    if (IsRle(c) && height < 0) return Refuse(pError, std::string(CompressionName(c)) + " that claims to be top-down");
    return true;
}

// The masks of BI_BITFIELDS, or the fixed ones of 16 and 32 bits. A 40-byte
// header is followed by three; the longer headers hold them, and from 56
// bytes on an alpha mask too. *pAfterHeader moves past masks that follow.
bool ReadMasks(const uint8_t *pData, size_t cbData, Layout *pLayout, uint64_t *pAfterHeader, std::string *pError)
{
    Layout &l = *pLayout;
    if (l.compression == kBiBitfields) {
        const uint8_t *m = pData + kBmpFileHeaderSize + 40;
        if (l.headerSize == 40) {
            *pAfterHeader += 12;
            if (*pAfterHeader > cbData) return Refuse(pError, "truncated: the colour masks end early");
        }
        for (int c = 0; c < (l.headerSize >= 56 ? 4 : 3); ++c) l.masks[c] = GetLe32(m + 4 * c);
    } else if (l.bitCount == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
    } else if (l.bitCount == 32) {
        l.masks[0] = 0xFF0000, l.masks[1] = 0x00FF00, l.masks[2] = 0x0000FF;
    }
    return true;
}

bool ReadKind(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    Layout &l = *pLayout;
    if (cbData < kBmpFileHeaderSize + 4) return Refuse(pError, "truncated: the BMP file header ends early");
    l.headerSize = GetLe32(pData + kBmpFileHeaderSize);
    if (l.headerSize == 16 || l.headerSize == 64)
        return Refuse(pError, "not a BMP this tool reads: OS/2 2.x header (" + std::to_string(l.headerSize) + " bytes)");
    if (!KnownHeaderSize(l.headerSize))
        return Refuse(pError, "not a BMP this tool reads: unknown header size " + std::to_string(l.headerSize));
    if (cbData < kBmpFileHeaderSize + l.headerSize) return Refuse(pError, "truncated: the BMP header ends early");
    int64_t height;
    ReadHeaderFields(pData + kBmpFileHeaderSize, &l, &height);
    if (!CheckEncoding(l, height, pError)) return false;
    if (l.width == 0 || height == 0) return Refuse(pError, "width or height is 0");
    if (l.width < 0) return Refuse(pError, "negative width " + std::to_string(l.width));
    // Negating the smallest 32-bit height would overflow it.
    if (height == INT32_MIN) return Refuse(pError, "size overflows: height " + std::to_string(height));
    l.topDown = height < 0;
    l.height = l.topDown ? -height : height;
    std::string sizeError = CheckPictureSize(l.width, l.height);
    return sizeError.empty() || Refuse(pError, sizeError);
}

// Everything the pixels' decoding relies on, checked against the file's size
// in 64-bit arithmetic that the limits keep far from overflowing.
bool ReadLayout(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    Layout &l = *pLayout;
    if (!ReadKind(pData, cbData, &l, pError)) return false;
    uint64_t afterHeader = kBmpFileHeaderSize + l.headerSize;
    if (!ReadMasks(pData, cbData, &l, &afterHeader, pError)) return false;
    l.tableAt = afterHeader;
    if (l.bitCount <= 8) {
        const uint64_t most = uint64_t(1) << l.bitCount, used = l.core ? 0 : GetLe32(pData + kBmpFileHeaderSize + 32);
        l.tableEntries = used == 0 || used > most ? most : used;
        if (l.tableAt + l.tableEntries * l.entrySize > cbData)
            return Refuse(pError, "colour table of " + std::to_string(l.tableEntries) +
                                      " entries points past the end of the file");
    }
    l.pixelsAt = GetLe32(pData + 10);
    if (l.pixelsAt >= cbData)
        return Refuse(pError, "pixel offset " + std::to_string(l.pixelsAt) + " points past the end of the file (" +
                                  std::to_string(cbData) + " bytes)");
    if (l.pixelsAt < l.tableAt + l.tableEntries * l.entrySize)
        return Refuse(pError, "pixel offset " + std::to_string(l.pixelsAt) + " points into the headers");
    l.stride = (static_cast<uint64_t>(l.width) * l.bitCount + 31) / 32 * 4;
    const uint64_t need = l.stride * static_cast<uint64_t>(l.height);
    if (!IsRle(l.compression) && need > cbData - l.pixelsAt)
        return Refuse(pError, "truncated: " + std::to_string(need) + " bytes of pixels from offset " +
                                  std::to_string(l.pixelsAt) + ", the file has " + std::to_string(cbData));
    return true;
}

// The pixels of an RLE stream, written as they are decoded: the colour and
// the index of each, bottom row first. Pixels the stream skips (by a delta,
// or by an early end of line or of the bitmap) keep the black they start as.
struct RleDecoding {
    const uint8_t *p;
    size_t cb, at;
    size_t x, y; // y counts rows from the bottom
    const Layout *pLayout;
    const uint8_t *pTable; // a full table, 4 bytes an entry
    BmpPicture *pBmp;
};

void PutRlePixel(RleDecoding &d, unsigned index)
{
    const size_t at = d.y * d.pBmp->width + d.x++;
    d.pBmp->indices[at] = static_cast<uint8_t>(index);
    for (int c = 0; c < 3; ++c) d.pBmp->pixels[4 * at + c] = d.pTable[4 * index + c];
}

bool RleRunFits(const RleDecoding &d, unsigned count, std::string *pError)
{
    if (d.y >= static_cast<uint64_t>(d.pLayout->height)) return Refuse(pError, "RLE run past the picture's last row");
    if (d.x + count > static_cast<uint64_t>(d.pLayout->width))
        return Refuse(pError, "RLE run past the end of a row (" + std::to_string(count) + " pixels from x " +
                                  std::to_string(d.x) + " in a row of " + std::to_string(d.pLayout->width) + ")");
    return true;
}

// An absolute run: count pixels stored one by one, padded to 16 bits.
bool RleAbsolute(RleDecoding &d, unsigned count, std::string *pError)
{
    const bool four = d.pLayout->bitCount == 4;
    const size_t bytes = four ? (count + 1) / 2 : count;
    if (d.cb - d.at < bytes + bytes % 2) return Refuse(pError, "RLE data ends before its end-of-bitmap code");
    if (!RleRunFits(d, count, pError)) return false;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t byte = d.p[d.at + (four ? i / 2 : i)];
        PutRlePixel(d, four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
    }
    d.at += bytes + bytes % 2;
    return true;
}

bool RleDelta(RleDecoding &d, std::string *pError)
{
    if (d.cb - d.at < 2) return Refuse(pError, "RLE data ends before its end-of-bitmap code");
    const unsigned dx = d.p[d.at], dy = d.p[d.at + 1];
    d.at += 2;
    if (d.x + dx > static_cast<uint64_t>(d.pLayout->width) || d.y + dy >= static_cast<uint64_t>(d.pLayout->height))
        return Refuse(pError, "RLE delta past the picture (by " + std::to_string(dx) + ", " + std::to_string(dy) +
                                  " from x " + std::to_string(d.x) + " of row " + std::to_string(d.y) + " from the bottom)");
    d.x += dx;
    d.y += dy;
    return true;
}

// Runs of one index (two alternating ones at 4 bits), absolute runs, end of
// line, delta, up to the end-of-bitmap code, which the stream must reach.
bool DecodeRle(const uint8_t *pData, size_t cbData, const Layout &l, const uint8_t *pTable, BmpPicture *pBmp,
               std::string *pError)
{
    RleDecoding d = {pData + l.pixelsAt, cbData - l.pixelsAt, 0, 0, 0, &l, pTable, pBmp};
    for (;;) {
        if (d.cb - d.at < 2) return Refuse(pError, "RLE data ends before its end-of-bitmap code");
        const unsigned count = d.p[d.at], value = d.p[d.at + 1];
        d.at += 2;
        if (count > 0) {
            if (!RleRunFits(d, count, pError)) return false;
            for (unsigned i = 0; i < count; ++i)
                PutRlePixel(d, l.bitCount == 8 ? value : i % 2 ? value & 0x0F : value >> 4);
        } else if (value == 0) { // end of line
            d.x = 0;
            ++d.y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (!(value == 2 ? RleDelta(d, pError) : RleAbsolute(d, value, pError))) {
            return false;
        }
    }
}

// One stored row of an uncompressed file into blue, green, red, alpha.
void DecodeRow(const uint8_t *src, const Layout &l, const uint8_t *pTable, const Channel *channels, uint8_t *pIndices,
               uint8_t *dst)
{
    for (int64_t x = 0; x < l.width; ++x, dst += 4) {
        if (l.bitCount <= 8) {
            const size_t bit = x * l.bitCount;
            const unsigned index = (src[bit / 8] >> (8 - l.bitCount - bit % 8)) & ((1u << l.bitCount) - 1);
            pIndices[x] = static_cast<uint8_t>(index);
            for (int c = 0; c < 3; ++c) dst[c] = pTable[4 * index + c];
        } else if (l.bitCount == 24) {
            for (int c = 0; c < 3; ++c) dst[c] = src[3 * x + c];
        } else {
            const uint32_t pixel = l.bitCount == 16 ? GetLe16(src + 2 * x) : GetLe32(src + 4 * x);
            dst[0] = channels[2].Of(pixel);
            dst[1] = channels[1].Of(pixel);
            dst[2] = channels[0].Of(pixel);
            if (channels[3].bits) dst[3] = channels[3].Of(pixel);
        }
    }
}

// An alpha mask whose every pixel is 0 is a channel left unused: the picture
// is opaque. Otherwise the alpha stands, and decides the shape.
void ApplyAlphaRule(BmpPicture *pBmp)
{
    uint8_t *const end = pBmp->pixels.data() + pBmp->pixels.size();
    for (uint8_t *p = pBmp->pixels.data(); p != end; p += 4)
        if (p[3] != 0) {
            pBmp->hasAlpha = true;
            return;
        }
    pBmp->alphaUnused = true;
    for (uint8_t *p = pBmp->pixels.data(); p != end; p += 4) p[3] = 255;
}

const char *BmpHeaderName(uint32_t headerSize)
{
    switch (headerSize) {
    case 12: return "BITMAPCOREHEADER";
    case 40: return "BITMAPINFOHEADER";
    case 52: return "BITMAPV2INFOHEADER";
    case 56: return "BITMAPV3INFOHEADER";
    case 108: return "BITMAPV4HEADER";
    default: return "BITMAPV5HEADER";
    }
}

} // namespace

std::string CheckPictureSize(int64_t width, int64_t height)
{
    if (width > kMaxPictureSide || height > kMaxPictureSide)
        return std::to_string(width) + " x " + std::to_string(height) + " pixels: more than " +
               std::to_string(kMaxPictureSide) + " on a side";
    if (width * height * 4 > kMaxPictureCopyBytes)
        return std::to_string(width) + " x " + std::to_string(height) + " pixels: the 32-bit copy is over " +
               std::to_string(kMaxPictureCopyBytes >> 20) + " MiB";
    return std::string();
}

std::string DescribeBmp(const BmpPicture &bmp)
{
    std::string text = std::string("BMP, ") + BmpHeaderName(bmp.headerSize) + " (" + std::to_string(bmp.headerSize) +
                       " bytes), " + std::to_string(bmp.bitCount) + (bmp.bitCount == 1 ? " bit, " : " bits, ") + CompressionName(bmp.compression) +
                       (bmp.topDown ? ", top-down" : ", bottom-up");
    if (bmp.bitCount <= 8) text += ", " + std::to_string(bmp.colourTable.size() / 4) + " colours";
    if (bmp.hasAlpha) text += ", with alpha";
    if (bmp.alphaUnused) text += ", alpha unused (0 throughout)";
    return text;
}

bool ReadBmp(const uint8_t *pData, size_t cbData, BmpPicture *pBmp, std::string *pError)
{
    if (cbData < 2 || pData[0] != 'B' || pData[1] != 'M') return Refuse(pError, "not a PNG or BMP file");
    Layout l;
    if (!ReadLayout(pData, cbData, &l, pError)) return false;
    Channel channels[4];
    for (int c = 0; c < 4; ++c)
        if (!Channel::Make(l.masks[c], &channels[c]))
            return Refuse(pError, "not a BMP this tool reads: a colour mask with gaps");

    BmpPicture &bmp = *pBmp;
    bmp.width = static_cast<int>(l.width);
    bmp.height = static_cast<int>(l.height);
    bmp.headerSize = l.headerSize;
    bmp.bitCount = static_cast<uint16_t>(l.bitCount);
    bmp.compression = l.compression;
    bmp.topDown = l.topDown;
    // A short table leaves the indices past its end black.
    bmp.colourTable.assign(4 * l.tableEntries, 0);
    for (uint64_t i = 0; i < l.tableEntries; ++i)
        for (int c = 0; c < 3; ++c) bmp.colourTable[4 * i + c] = pData[l.tableAt + i * l.entrySize + c];
    std::vector<uint8_t> fullTable(bmp.colourTable);
    fullTable.resize(l.bitCount <= 8 ? 4u << l.bitCount : 0, 0);

    const size_t width = bmp.width, height = bmp.height;
    bmp.indices.assign(l.bitCount <= 8 ? width * height : 0, 0);
    bmp.pixels.assign(width * height * 4, 0);
    for (size_t i = 3; i < bmp.pixels.size(); i += 4) bmp.pixels[i] = 255;
    if (IsRle(l.compression)) return DecodeRle(pData, cbData, l, fullTable.data(), &bmp, pError);
    for (size_t row = 0; row < height; ++row) {
        // Output rows go bottom row first, like the file's unless it is top-down.
        const uint8_t *src = pData + l.pixelsAt + (l.topDown ? height - 1 - row : row) * l.stride;
        DecodeRow(src, l, fullTable.data(), channels, bmp.indices.data() + (bmp.indices.empty() ? 0 : row * width),
                  &bmp.pixels[row * width * 4]);
    }
    if (channels[3].bits) ApplyAlphaRule(&bmp);
    return true;
}
