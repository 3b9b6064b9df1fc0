// PNG files for the tests, written sample by sample: every colour type and
// depth, interlaced or not, with any chunks between IHDR and IDAT.
#ifndef BRIMSHADE_PNG_TEST_WRITER_H
#define BRIMSHADE_PNG_TEST_WRITER_H

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace png_test {

inline void PutBig(std::vector<uint8_t> &out, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

inline std::vector<uint8_t> Chunk(const char *type, const std::vector<uint8_t> &data)
{
    std::vector<uint8_t> out;
    PutBig(out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBig(out, static_cast<uint32_t>(crc32(crc32(0, out.data() + 4, 4), data.data(), static_cast<uInt>(data.size()))));
    return out;
}

struct PngLayout {
    int width, height, colourType, depth;
    bool interlaced;
    std::vector<uint8_t> extraChunks; // between IHDR and IDAT
};

inline int Channels(int colourType)
{
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

// Sample c of pixel (x, y), within the depth (and within a palette of 16).
inline uint32_t Sample(const PngLayout &s, int x, int y, int c)
{
    const uint32_t value = uint32_t(x * 977 + y * 131 + c * 5717) * 2654435761u >> 7;
    return value & ((1u << s.depth) - 1) & (s.colourType == 3 ? 15 : 0xFFFF);
}

// The rows of the pixels listed, each with filter byte 0, samples packed from the high bits.
inline void AppendRows(const PngLayout &s, int x0, int dx, int y0, int dy, std::vector<uint8_t> *pRaw)
{
    for (int y = y0; y < s.height && x0 < s.width; y += dy) {
        pRaw->push_back(0);
        int bits = 0;
        for (int x = x0; x < s.width; x += dx)
            for (int c = 0; c < Channels(s.colourType); ++c) {
                const uint32_t v = Sample(s, x, y, c);
                if (s.depth == 16)
                    pRaw->insert(pRaw->end(), {uint8_t(v >> 8), uint8_t(v)});
                else if (bits % 8 == 0)
                    pRaw->push_back(uint8_t(v << (8 - s.depth)));
                else
                    pRaw->back() |= uint8_t(v << (8 - s.depth - bits % 8));
                bits += s.depth;
            }
    }
}

inline std::vector<uint8_t> WritePng(const PngLayout &s)
{
    static const int kAdam7[7][4] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                                     {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};
    std::vector<uint8_t> raw;
    if (!s.interlaced) AppendRows(s, 0, 1, 0, 1, &raw);
    for (int pass = 0; s.interlaced && pass < 7; ++pass)
        AppendRows(s, kAdam7[pass][0], kAdam7[pass][1], kAdam7[pass][2], kAdam7[pass][3], &raw);
    uLongf packed = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> idat(packed);
    compress(idat.data(), &packed, raw.data(), static_cast<uLong>(raw.size()));
    idat.resize(packed);
    std::vector<uint8_t> ihdr;
    PutBig(ihdr, s.width);
    PutBig(ihdr, s.height);
    ihdr.insert(ihdr.end(), {uint8_t(s.depth), uint8_t(s.colourType), 0, 0, uint8_t(s.interlaced)});
    std::vector<uint8_t> png{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const auto &chunk : {Chunk("IHDR", ihdr), s.extraChunks, Chunk("IDAT", idat), Chunk("IEND", {})})
        png.insert(png.end(), chunk.begin(), chunk.end());
    return png;
}

} // namespace png_test

#endif
