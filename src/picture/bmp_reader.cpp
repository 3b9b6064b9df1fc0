#include "bmp_reader.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiJpeg = 4, kBiPng = 5;

uint32_t Le16(const uint8_t *p)
{
    return p[0] | p[1] << 8;
}

uint32_t Le32(const uint8_t *p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

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
    uint32_t masks[3] = {}; // red, green, blue
};

bool KnownHeaderSize(uint32_t size)
{
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Everything the pixels' decoding relies on, checked against the file's size
// in 64-bit arithmetic that the limits keep far from overflowing.
bool ReadLayout(const uint8_t *pData, size_t cbData, Layout *pLayout, std::string *pError)
{
    Layout &l = *pLayout;
    if (cbData < kFileHeaderSize + 4) return Refuse(pError, "truncated: the BMP file header ends early");
    l.headerSize = Le32(pData + kFileHeaderSize);
    if (!KnownHeaderSize(l.headerSize))
        return Refuse(pError, "not a BMP this tool reads: unknown header size " + std::to_string(l.headerSize));
    if (cbData < kFileHeaderSize + l.headerSize) return Refuse(pError, "truncated: the BMP header ends early");
    const uint8_t *h = pData + kFileHeaderSize;
    int64_t height;
    l.core = l.headerSize == 12;
    if (l.core) {
        l.width = Le16(h + 4);
        height = Le16(h + 6);
        l.bitCount = Le16(h + 10);
        l.entrySize = 3;
    } else {
        l.width = static_cast<int32_t>(Le32(h + 4));
        height = static_cast<int32_t>(Le32(h + 8));
        l.bitCount = Le16(h + 14);
        l.compression = Le32(h + 16);
    }
    if (l.compression == kBiRle8 || l.compression == kBiRle4 || l.compression == kBiJpeg || l.compression == kBiPng)
        return Refuse(pError, std::string("compressed BMP (") + CompressionName(l.compression) +
                                  "): only uncompressed BI_RGB and BI_BITFIELDS are taken");
    if (l.compression != kBiRgb && l.compression != kBiBitfields)
        return Refuse(pError, "not a BMP this tool reads: compression " + std::to_string(l.compression));
    const uint32_t b = l.bitCount;
    if (b != 1 && b != 4 && b != 8 && b != 16 && b != 24 && b != 32)
        return Refuse(pError, "not a BMP this tool reads: " + std::to_string(b) + " bits a pixel");
    if (l.compression == kBiBitfields && b != 16 && b != 32)
        return Refuse(pError, "not a BMP this tool reads: BI_BITFIELDS with " + std::to_string(b) + " bits a pixel");
    if (l.width == 0 || height == 0) return Refuse(pError, "width or height is 0");
    if (l.width < 0) return Refuse(pError, "negative width " + std::to_string(l.width));
    // Negating the smallest 32-bit height would overflow it.
    if (height == INT32_MIN) return Refuse(pError, "size overflows: height " + std::to_string(height));
    l.topDown = height < 0;
    l.height = l.topDown ? -height : height;
    std::string sizeError = CheckPictureSize(l.width, l.height);
    if (!sizeError.empty()) return Refuse(pError, sizeError);

    uint64_t afterHeader = kFileHeaderSize + l.headerSize;
    if (l.compression == kBiBitfields) {
        // BITMAPINFOHEADER is followed by the three masks; the longer headers hold them.
        const uint8_t *m = l.headerSize == 40 ? pData + afterHeader : h + 40;
        if (l.headerSize == 40) {
            afterHeader += 12;
            if (afterHeader > cbData) return Refuse(pError, "truncated: the colour masks end early");
        }
        for (int c = 0; c < 3; ++c) l.masks[c] = Le32(m + 4 * c);
    } else if (b == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F;
    } else if (b == 32) {
        l.masks[0] = 0xFF0000, l.masks[1] = 0x00FF00, l.masks[2] = 0x0000FF;
    }
    l.tableAt = afterHeader;
    if (b <= 8) {
        const uint64_t most = uint64_t(1) << b, used = l.core ? 0 : Le32(h + 32);
        l.tableEntries = used == 0 || used > most ? most : used;
        if (l.tableAt + l.tableEntries * l.entrySize > cbData)
            return Refuse(pError, "colour table of " + std::to_string(l.tableEntries) +
                                      " entries points past the end of the file");
    }
    l.pixelsAt = Le32(pData + 10);
    if (l.pixelsAt >= cbData)
        return Refuse(pError, "pixel offset " + std::to_string(l.pixelsAt) + " points past the end of the file (" +
                                  std::to_string(cbData) + " bytes)");
    if (l.pixelsAt < l.tableAt + l.tableEntries * l.entrySize)
        return Refuse(pError, "pixel offset " + std::to_string(l.pixelsAt) + " points into the headers");
    l.stride = (static_cast<uint64_t>(l.width) * b + 31) / 32 * 4;
    const uint64_t need = l.stride * static_cast<uint64_t>(l.height);
    if (need > cbData - l.pixelsAt)
        return Refuse(pError, "truncated: " + std::to_string(need) + " bytes of pixels from offset " +
                                  std::to_string(l.pixelsAt) + ", the file has " + std::to_string(cbData));
    return true;
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
    return text;
}

bool ReadBmp(const uint8_t *pData, size_t cbData, BmpPicture *pBmp, std::string *pError)
{
    if (cbData < 2 || pData[0] != 'B' || pData[1] != 'M') return Refuse(pError, "not a PNG or BMP file");
    Layout l;
    if (!ReadLayout(pData, cbData, &l, pError)) return false;
    Channel channels[3];
    for (int c = 0; c < 3; ++c)
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
    for (size_t row = 0; row < height; ++row) {
        // Output rows go bottom row first, like the file's unless it is top-down.
        const uint8_t *src = pData + l.pixelsAt + (l.topDown ? height - 1 - row : row) * l.stride;
        uint8_t *dst = &bmp.pixels[row * width * 4];
        for (size_t x = 0; x < width; ++x, dst += 4) {
            dst[3] = 255;
            if (l.bitCount <= 8) {
                const size_t bit = x * l.bitCount;
                const unsigned index = (src[bit / 8] >> (8 - l.bitCount - bit % 8)) & ((1u << l.bitCount) - 1);
                bmp.indices[row * width + x] = static_cast<uint8_t>(index);
                for (int c = 0; c < 3; ++c) dst[c] = fullTable[4 * index + c];
            } else if (l.bitCount == 24) {
                for (int c = 0; c < 3; ++c) dst[c] = src[3 * x + c];
            } else {
                const uint32_t pixel = l.bitCount == 16 ? Le16(src + 2 * x) : Le32(src + 4 * x);
                dst[0] = channels[2].Of(pixel);
                dst[1] = channels[1].Of(pixel);
                dst[2] = channels[0].Of(pixel);
            }
        }
    }
    return true;
}
