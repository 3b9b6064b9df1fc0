#include "bmp_reader.h"

#include "bmp_format.h"
#include "little_endian.h"

namespace {

// Returns false with the reason the file is refused in *pError.
bool FailWith(std::string *pError, std::string reason)
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
        Channel channel;
        channel.mask = mask;
        if (mask) {
            while (!(mask >> channel.shift & 1)) ++channel.shift;
            uint32_t field = mask >> channel.shift;
            while (channel.bits < 32 && (field >> channel.bits & 1)) ++channel.bits;
            if (channel.bits < 32 && field >> channel.bits) return false; // holes in the mask
        }
        *pChannel = channel;
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

// The header's size, which says its kind: one this reader knows, there whole.
bool ReadHeaderSize(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    if (cbData < kBmpFileHeaderSize + 4) return FailWith(pError, "truncated: the BMP file header ends early");
    const uint32_t headerSize = GetLe32(pData + kBmpFileHeaderSize);
    if (headerSize == 16 || headerSize == 64)
        return FailWith(pError,
                        "not a BMP this tool reads: OS/2 2.x header (" + std::to_string(headerSize) + " bytes)");
    if (!KnownHeaderSize(headerSize))
        return FailWith(pError, "not a BMP this tool reads: unknown header size " + std::to_string(headerSize));
    if (cbData < kBmpFileHeaderSize + headerSize) return FailWith(pError, "truncated: the BMP header ends early");
    pLayout->headerSize = headerSize;
    pLayout->core = headerSize == 12;
    return true;
}

// The header's own fields, for the 12-byte core header and the longer ones.
// The height keeps its sign, which says whether rows are top-down.
void ReadHeaderFields(const uint8_t *pHeader, Layout *pLayout, int64_t *pSignedHeight)
{
    if (pLayout->core) {
        pLayout->width = GetLe16(pHeader + 4);
        *pSignedHeight = GetLe16(pHeader + 6);
        pLayout->bitCount = GetLe16(pHeader + 10);
        pLayout->entrySize = 3;
    } else {
        pLayout->width = static_cast<int32_t>(GetLe32(pHeader + 4));
        *pSignedHeight = static_cast<int32_t>(GetLe32(pHeader + 8));
        pLayout->bitCount = GetLe16(pHeader + 14);
        pLayout->compression = GetLe32(pHeader + 16);
    }
}

// Which pairs of bit count and compression are read.
bool CheckEncoding(const Layout &layout, int64_t signedHeight, std::string *pError)
{
    const uint32_t bits = layout.bitCount, compression = layout.compression;
    const std::string notRead = "not a BMP this tool reads: ";
    const std::string name = CompressionName(compression);
    if (compression == kBiJpeg && bits == 24)
        return FailWith(pError, notRead + "RLE24 (compression 4 with 24 bits a pixel)");
    if (compression == kBiJpeg || compression == kBiPng)
        return FailWith(pError, notRead + (compression == kBiJpeg ? "a JPEG" : "a PNG") + " inside (" + name + ")");
    if (compression != kBiRgb && compression != kBiBitfields && !IsRle(compression))
        return FailWith(pError, notRead + "compression " + std::to_string(compression));
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return FailWith(pError, notRead + std::to_string(bits) + " bits a pixel");
    if ((compression == kBiBitfields && bits != 16 && bits != 32) || (compression == kBiRle8 && bits != 8) ||
        (compression == kBiRle4 && bits != 4))
        return FailWith(pError, notRead + name + " with " + std::to_string(bits) + " bits a pixel");
    if (IsRle(compression) && signedHeight < 0) return FailWith(pError, name + " that claims to be top-down");
    return true;
}

// The picture's size: not empty, not mirrored, within the limits.
bool CheckSize(Layout *pLayout, int64_t signedHeight, std::string *pError)
{
    const int64_t width = pLayout->width;
    if (width == 0 || signedHeight == 0) return FailWith(pError, "width or height is 0");
    if (width < 0) return FailWith(pError, "negative width " + std::to_string(width));
    // Negating the smallest 32-bit height would overflow it.
    if (signedHeight == INT32_MIN) return FailWith(pError, "size overflows: height " + std::to_string(signedHeight));
    pLayout->topDown = signedHeight < 0;
    pLayout->height = pLayout->topDown ? -signedHeight : signedHeight;
    const std::string sizeError = CheckPictureSize(width, pLayout->height);
    return sizeError.empty() || FailWith(pError, sizeError);
}

// The masks of BI_BITFIELDS, or the fixed ones of 16 and 32 bits. A 40-byte
// header is followed by three; the longer headers hold them, and from 56
// bytes on an alpha mask too. The colour table comes after the masks that
// follow the header.
bool ReadMasks(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    uint32_t *pMasks = pLayout->masks;
    pLayout->tableAt = kBmpFileHeaderSize + pLayout->headerSize;
    if (pLayout->compression == kBiBitfields) {
        if (pLayout->headerSize == kBmpInfoHeaderSize) {
            pLayout->tableAt += 12;
            if (pLayout->tableAt > cbData) return FailWith(pError, "truncated: the colour masks end early");
        }
        const uint8_t *pFirstMask = pData + kBmpFileHeaderSize + kBmpInfoHeaderSize;
        for (int i = 0; i < (pLayout->headerSize >= 56 ? 4 : 3); ++i) pMasks[i] = GetLe32(pFirstMask + 4 * i);
    } else if (pLayout->bitCount == 16) {
        pMasks[0] = 0x7C00, pMasks[1] = 0x03E0, pMasks[2] = 0x001F;
    } else if (pLayout->bitCount == 32) {
        pMasks[0] = 0xFF0000, pMasks[1] = 0x00FF00, pMasks[2] = 0x0000FF;
    }
    return true;
}

// Up to 8 bits a pixel: as many entries as the header says are used, or all
// of them when it says 0 or more than there can be, all within the file.
bool LocateColourTable(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    if (pLayout->bitCount > 8) return true;
    const uint64_t most = uint64_t(1) << pLayout->bitCount;
    const uint64_t used = pLayout->core ? 0 : GetLe32(pData + kBmpFileHeaderSize + 32);
    pLayout->tableEntries = used == 0 || used > most ? most : used;
    if (pLayout->tableAt + pLayout->tableEntries * pLayout->entrySize > cbData)
        return FailWith(pError, "colour table of " + std::to_string(pLayout->tableEntries) +
                                    " entries points past the end of the file");
    return true;
}

// The pixels start after the headers and the table, and an uncompressed
// file holds every row of them.
bool LocatePixels(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    const uint64_t pixelsAt = GetLe32(pData + 10);
    if (pixelsAt >= cbData)
        return FailWith(pError, "pixel offset " + std::to_string(pixelsAt) + " points past the end of the file (" +
                                    std::to_string(cbData) + " bytes)");
    if (pixelsAt < pLayout->tableAt + pLayout->tableEntries * pLayout->entrySize)
        return FailWith(pError, "pixel offset " + std::to_string(pixelsAt) + " points into the headers");
    pLayout->pixelsAt = pixelsAt;
    pLayout->stride = (static_cast<uint64_t>(pLayout->width) * pLayout->bitCount + 31) / 32 * 4;
    const uint64_t need = pLayout->stride * static_cast<uint64_t>(pLayout->height);
    if (!IsRle(pLayout->compression) && need > cbData - pixelsAt)
        return FailWith(pError, "truncated: " + std::to_string(need) + " bytes of pixels from offset " +
                                    std::to_string(pixelsAt) + ", the file has " + std::to_string(cbData));
    return true;
}

// Everything the pixels' decoding relies on, checked against the file's size
// in 64-bit arithmetic that the limits keep far from overflowing.
bool ReadLayout(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    if (!ReadHeaderSize(pData, cbData, pLayout, pError)) return false;
    int64_t signedHeight = 0;
    ReadHeaderFields(pData + kBmpFileHeaderSize, pLayout, &signedHeight);
    return CheckEncoding(*pLayout, signedHeight, pError) && CheckSize(pLayout, signedHeight, pError) &&
           ReadMasks(pData, cbData, pLayout, pError) && LocateColourTable(pData, cbData, pLayout, pError) &&
           LocatePixels(pData, cbData, pLayout, pError);
}

// The pixels of an RLE stream, written as they are decoded: the colour and
// the index of each, bottom row first. Pixels the stream skips (by a delta,
// or by an early end of line or of the bitmap) keep the black they start as.
struct RleDecoding {
    const uint8_t *pStream;
    size_t cbStream, at;
    size_t x, y; // y counts rows from the bottom
    const Layout *pLayout;
    const uint8_t *pTable; // a full table, 4 bytes an entry
    BmpPicture *pBmp;
};

void PutRlePixel(RleDecoding &rle, unsigned index)
{
    const size_t at = rle.y * rle.pBmp->width + rle.x++;
    rle.pBmp->indices[at] = static_cast<uint8_t>(index);
    for (int c = 0; c < 3; ++c) rle.pBmp->pixels[4 * at + c] = rle.pTable[4 * index + c];
}

bool RleRunFits(const RleDecoding &rle, unsigned count, std::string *pError)
{
    const int64_t width = rle.pLayout->width;
    if (rle.y >= static_cast<uint64_t>(rle.pLayout->height))
        return FailWith(pError, "RLE run past the picture's last row");
    if (rle.x + count > static_cast<uint64_t>(width))
        return FailWith(pError, "RLE run past the end of a row (" + std::to_string(count) + " pixels from x " +
                                    std::to_string(rle.x) + " in a row of " + std::to_string(width) + ")");
    return true;
}

// An absolute run: count pixels stored one by one, padded to 16 bits.
bool RleAbsolute(RleDecoding &rle, unsigned count, std::string *pError)
{
    const bool four = rle.pLayout->bitCount == 4;
    const size_t bytes = four ? (count + 1) / 2 : count;
    if (rle.cbStream - rle.at < bytes + bytes % 2)
        return FailWith(pError, "RLE data ends before its end-of-bitmap code");
    if (!RleRunFits(rle, count, pError)) return false;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t byte = rle.pStream[rle.at + (four ? i / 2 : i)];
        PutRlePixel(rle, four ? (i % 2 ? byte & 0x0F : byte >> 4) : byte);
    }
    rle.at += bytes + bytes % 2;
    return true;
}

bool RleDelta(RleDecoding &rle, std::string *pError)
{
    if (rle.cbStream - rle.at < 2) return FailWith(pError, "RLE data ends before its end-of-bitmap code");
    const unsigned dx = rle.pStream[rle.at], dy = rle.pStream[rle.at + 1];
    rle.at += 2;
    if (rle.x + dx > static_cast<uint64_t>(rle.pLayout->width) ||
        rle.y + dy >= static_cast<uint64_t>(rle.pLayout->height))
        return FailWith(pError, "RLE delta past the picture (by " + std::to_string(dx) + ", " + std::to_string(dy) +
                                    " from x " + std::to_string(rle.x) + " of row " + std::to_string(rle.y) +
                                    " from the bottom)");
    rle.x += dx;
    rle.y += dy;
    return true;
}

// Runs of one index (two alternating ones at 4 bits), absolute runs, end of
// line, delta, up to the end-of-bitmap code, which the stream must reach.
bool DecodeRle(const uint8_t *pData, size_t cbData, const Layout &layout, const uint8_t *pTable, BmpPicture *pBmp,
               std::string *pError)
{
    // LocatePixels has made sure that the pixels start within the file.
    RleDecoding rle = {
        pData + layout.pixelsAt, static_cast<size_t>(cbData - layout.pixelsAt), 0, 0, 0, &layout, pTable, pBmp};
    for (;;) {
        if (rle.cbStream - rle.at < 2) return FailWith(pError, "RLE data ends before its end-of-bitmap code");
        const unsigned count = rle.pStream[rle.at], value = rle.pStream[rle.at + 1];
        rle.at += 2;
        if (count > 0) {
            if (!RleRunFits(rle, count, pError)) return false;
            for (unsigned i = 0; i < count; ++i)
                PutRlePixel(rle, layout.bitCount == 8 ? value : i % 2 ? value & 0x0F : value >> 4);
        } else if (value == 0) { // end of line
            rle.x = 0;
            ++rle.y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (!(value == 2 ? RleDelta(rle, pError) : RleAbsolute(rle, value, pError))) {
            return false;
        }
    }
}

// One stored row of an uncompressed file into blue, green, red, alpha.
void DecodeRow(const uint8_t *src, const Layout &layout, const uint8_t *pTable, const Channel *channels,
               uint8_t *pIndices, uint8_t *dst)
{
    const uint32_t bits = layout.bitCount;
    for (int64_t x = 0; x < layout.width; ++x, dst += 4) {
        if (bits <= 8) {
            const size_t bit = x * bits;
            const unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            pIndices[x] = static_cast<uint8_t>(index);
            for (int c = 0; c < 3; ++c) dst[c] = pTable[4 * index + c];
        } else if (bits == 24) {
            for (int c = 0; c < 3; ++c) dst[c] = src[3 * x + c];
        } else {
            const uint32_t pixel = bits == 16 ? GetLe16(src + 2 * x) : GetLe32(src + 4 * x);
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
    uint8_t *const pEnd = pBmp->pixels.data() + pBmp->pixels.size();
    for (uint8_t *pPixel = pBmp->pixels.data(); pPixel != pEnd; pPixel += 4)
        if (pPixel[3] != 0) {
            pBmp->hasAlpha = true;
            return;
        }
    pBmp->alphaUnused = true;
    for (uint8_t *pPixel = pBmp->pixels.data(); pPixel != pEnd; pPixel += 4) pPixel[3] = 255;
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

// The file's colour table as blue, green, red, 0; and the same made full
// length, the indices past a short table's end black, for decoding.
void ReadColourTable(const uint8_t *pData, const Layout &layout, BmpPicture *pBmp, std::vector<uint8_t> *pFullTable)
{
    pBmp->colourTable.assign(4 * layout.tableEntries, 0);
    for (uint64_t i = 0; i < layout.tableEntries; ++i)
        for (int c = 0; c < 3; ++c) pBmp->colourTable[4 * i + c] = pData[layout.tableAt + i * layout.entrySize + c];
    *pFullTable = pBmp->colourTable;
    pFullTable->resize(layout.bitCount <= 8 ? 4u << layout.bitCount : 0, 0);
}

// The pixels, bottom row first, black and opaque where nothing is decoded.
bool DecodePixels(const uint8_t *pData, size_t cbData, const Layout &layout, const Channel *channels,
                  const std::vector<uint8_t> &fullTable, BmpPicture *pBmp, std::string *pError)
{
    const size_t width = pBmp->width, height = pBmp->height;
    pBmp->indices.assign(layout.bitCount <= 8 ? width * height : 0, 0);
    pBmp->pixels.assign(width * height * 4, 0);
    for (size_t i = 3; i < pBmp->pixels.size(); i += 4) pBmp->pixels[i] = 255;
    if (IsRle(layout.compression)) return DecodeRle(pData, cbData, layout, fullTable.data(), pBmp, pError);
    for (size_t row = 0; row < height; ++row) {
        // Output rows go bottom row first, like the file's unless it is top-down.
        const size_t storedRow = layout.topDown ? height - 1 - row : row;
        const uint8_t *src = pData + layout.pixelsAt + storedRow * layout.stride;
        uint8_t *pIndices = pBmp->indices.empty() ? nullptr : &pBmp->indices[row * width];
        DecodeRow(src, layout, fullTable.data(), channels, pIndices, &pBmp->pixels[row * width * 4]);
    }
    return true;
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
                       " bytes), " + std::to_string(bmp.bitCount) + (bmp.bitCount == 1 ? " bit, " : " bits, ") +
                       CompressionName(bmp.compression) + (bmp.topDown ? ", top-down" : ", bottom-up");
    if (bmp.bitCount <= 8) text += ", " + std::to_string(bmp.colourTable.size() / 4) + " colours";
    if (bmp.hasAlpha) text += ", with alpha";
    if (bmp.alphaUnused) text += ", alpha unused (0 throughout)";
    return text;
}

bool ReadBmp(const uint8_t *pData, size_t cbData, BmpPicture *pBmp, std::string *pError)
{
    if (cbData < 2 || pData[0] != 'B' || pData[1] != 'M') return FailWith(pError, "not a PNG or BMP file");
    Layout layout;
    if (!ReadLayout(pData, cbData, &layout, pError)) return false;
    Channel channels[4];
    for (int c = 0; c < 4; ++c)
        if (!Channel::Make(layout.masks[c], &channels[c]))
            return FailWith(pError, "not a BMP this tool reads: a colour mask with gaps");

    pBmp->width = static_cast<int>(layout.width);
    pBmp->height = static_cast<int>(layout.height);
    pBmp->headerSize = layout.headerSize;
    pBmp->bitCount = static_cast<uint16_t>(layout.bitCount);
    pBmp->compression = layout.compression;
    pBmp->topDown = layout.topDown;
    std::vector<uint8_t> fullTable;
    ReadColourTable(pData, layout, pBmp, &fullTable);
    if (!DecodePixels(pData, cbData, layout, channels, fullTable, pBmp, pError)) return false;
    if (channels[3].bits) ApplyAlphaRule(pBmp);
    return true;
}
