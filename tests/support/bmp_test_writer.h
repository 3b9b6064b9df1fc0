// BMP files of every kind the reader takes, written for the tests from what
// each pixel is to hold: a colour index, a stored 16-, 24- or 32-bit value, or
// for RLE a pixel the stream skips. The host test decodes the same content
// its own way; the wine test holds the reader to LoadImageA. It stays apart
// from the tool's own writer (src/picture/bmp_writer.h), which writes only
// the two kinds the program embeds: a reader tested against its own
// project's writer could share that writer's mistakes.
#ifndef BRIMSHADE_BMP_TEST_WRITER_H
#define BRIMSHADE_BMP_TEST_WRITER_H

#include <cstdint>
#include <vector>

namespace bmp_test {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;
constexpr uint32_t kSkipped = 0xFFFFFFFF; // an RLE pixel the stream skips

struct Kind {
    const char *name;
    uint32_t headerSize;
    int bits;
    uint32_t compression;
    bool topDown;
    uint32_t coloursUsed; // 0: a full table
    uint32_t masks[4];    // red, green, blue, alpha, for BI_BITFIELDS
};

// The colour table (blue, green, red) and each pixel's index or stored value,
// top row first.
struct Content {
    int width = 0, height = 0;
    std::vector<uint32_t> table;
    std::vector<uint32_t> values;
};

inline void Put(std::vector<uint8_t> &out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

inline uint32_t NextRandom(uint32_t &state)
{
    return (state = state * 1103515245u + 12345u) >> 4;
}

// Random pixels; for RLE, runs, single pixels, stretches the stream skips,
// a whole skipped row, and skipped rows at the top (an early end of bitmap).
inline Content MakeContent(const Kind &kind, int width, int height, uint32_t seed = 12345)
{
    Content content;
    content.width = width;
    content.height = height;
    const uint32_t entries = kind.bits > 8 ? 0 : kind.coloursUsed ? kind.coloursUsed : 1u << kind.bits;
    for (uint32_t i = 0; i < entries; ++i) content.table.push_back(NextRandom(seed) & 0xFFFFFF);
    const bool rle = kind.compression == kRle8 || kind.compression == kRle4;
    // Indices up to the full table, so that a short one has indices past its end.
    const uint32_t valueMask = kind.bits == 32 ? 0xFFFFFFFF : (1u << kind.bits) - 1;
    uint32_t value = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t r = NextRandom(seed);
            if (!rle || r % 3 == 0) value = NextRandom(seed) & valueMask;
            const bool skipped =
                rle && (y == 1 || y == height - 1 || (y == 0 && x >= width / 2) || (x + 3 * y) % 11 < 2 + y % 3);
            content.values.push_back(skipped ? kSkipped : value);
        }
    return content;
}

// A BI_RLE8 or BI_RLE4 stream, bottom row first: runs of one index (of two
// alternating ones at 4 bits), absolute runs padded to 16 bits, deltas and
// early ends of line over skipped pixels, and an early end of bitmap.
class RleEncoder {
public:
    RleEncoder(const Content &c, bool four) : c_(c), four_(four) {}

    std::vector<uint8_t> Encode()
    {
        for (int y = c_.height - 1, x = 0; y >= 0;) {
            if (RestSkipped(x, y)) break;
            const int next = NextWritten(x, y);
            if (next < 0) { // the rest of the row is skipped
                const int below = y - 1, target = NextWritten(0, below);
                if (target >= x) {
                    out_.insert(out_.end(), {0, 2, uint8_t(target - x), 1});
                    x = target;
                } else {
                    out_.insert(out_.end(), {0, 0});
                    x = 0;
                }
                --y;
            } else if (next > x) {
                out_.insert(out_.end(), {0, 2, uint8_t(next - x), 0});
                x = next;
            } else {
                x = EncodeFrom(x, y);
            }
        }
        out_.insert(out_.end(), {0, 1});
        return out_;
    }

private:
    uint32_t At(int x, int y) const { return c_.values[size_t(y) * c_.width + x]; }

    // The first pixel from x on that the stream writes, or -1.
    int NextWritten(int x, int y) const
    {
        for (; x < c_.width; ++x)
            if (At(x, y) != kSkipped) return x;
        return -1;
    }

    bool RestSkipped(int x, int y) const
    {
        for (; y >= 0; --y, x = 0)
            if (NextWritten(x, y) >= 0) return false;
        return true;
    }

    // How many pixels from x repeat the pattern of the first one (two at 4 bits).
    int RunLength(int x, int y) const
    {
        int n = 1;
        while (x + n < c_.width && n < 255 && At(x + n, y) != kSkipped &&
               At(x + n, y) == At(four_ && n % 2 ? x + 1 : x, y))
            ++n;
        return n;
    }

    int EncodeFrom(int x, int y)
    {
        const int run = RunLength(x, y);
        if (run >= 3 || x + 1 >= c_.width || At(x + 1, y) == kSkipped) {
            const uint32_t second = four_ && run > 1 ? At(x + 1, y) : At(x, y);
            out_.push_back(uint8_t(run));
            out_.push_back(uint8_t(four_ ? At(x, y) << 4 | second : At(x, y)));
            return x + run;
        }
        int n = 0; // an absolute run, up to the next run of 3 or a skipped pixel
        while (x + n < c_.width && n < 255 && At(x + n, y) != kSkipped && (n < 3 || RunLength(x + n, y) < 3)) ++n;
        if (n < 3) {
            out_.insert(out_.end(), {1, uint8_t(four_ ? At(x, y) << 4 : At(x, y))});
            return x + 1;
        }
        out_.insert(out_.end(), {0, uint8_t(n)});
        std::vector<uint8_t> data;
        for (int i = 0; i < n; ++i) {
            if (!four_)
                data.push_back(uint8_t(At(x + i, y)));
            else if (i % 2 == 0)
                data.push_back(uint8_t(At(x + i, y) << 4));
            else
                data.back() |= uint8_t(At(x + i, y));
        }
        if (data.size() % 2) data.push_back(0);
        out_.insert(out_.end(), data.begin(), data.end());
        return x + n;
    }

    const Content &c_;
    const bool four_;
    std::vector<uint8_t> out_;
};

inline std::vector<uint8_t> StoredRows(const Kind &kind, const Content &content)
{
    if (kind.compression == kRle8 || kind.compression == kRle4)
        return RleEncoder(content, kind.compression == kRle4).Encode();
    const uint32_t stride = (content.width * kind.bits + 31) / 32 * 4;
    std::vector<uint8_t> out;
    for (int stored = 0; stored < content.height; ++stored) {
        const int y = kind.topDown ? stored : content.height - 1 - stored;
        std::vector<uint8_t> row;
        for (int x = 0; x < content.width; ++x) {
            const uint32_t value = content.values[size_t(y) * content.width + x];
            if (kind.bits > 8) {
                Put(row, value, kind.bits / 8);
                continue;
            }
            const int bit = x * kind.bits;
            row.resize(bit / 8 + 1, 0);
            row[bit / 8] |= static_cast<uint8_t>(value << (8 - kind.bits - bit % 8));
        }
        row.resize(stride, 0);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

inline std::vector<uint8_t> WriteBmp(const Kind &kind, const Content &content)
{
    const bool core = kind.headerSize == 12;
    const uint32_t entries = static_cast<uint32_t>(content.table.size());
    const uint32_t masksAfter = kind.compression == kBitfields && kind.headerSize == 40 ? 12 : 0;
    const std::vector<uint8_t> rows = StoredRows(kind, content);
    const uint32_t pixelsAt = 14 + kind.headerSize + masksAfter + entries * (core ? 3 : 4);

    std::vector<uint8_t> out{'B', 'M'};
    Put(out, pixelsAt + static_cast<uint32_t>(rows.size()), 4);
    Put(out, 0, 4);
    Put(out, pixelsAt, 4);
    Put(out, kind.headerSize, 4);
    if (core) {
        for (int field : {content.width, content.height, 1, kind.bits}) Put(out, field, 2);
    } else {
        Put(out, content.width, 4);
        Put(out, kind.topDown ? -content.height : content.height, 4);
        Put(out, 1, 2);
        Put(out, kind.bits, 2);
        for (uint32_t field : {kind.compression, uint32_t(rows.size()), 2835u, 2835u, kind.coloursUsed, 0u})
            Put(out, field, 4);
        for (int i = 0; i < 4 && 40 + 4 * i < int(kind.headerSize); ++i) Put(out, kind.masks[i], 4);
        out.resize(14 + kind.headerSize, 0); // colour space and the rest: none
        if (masksAfter)
            for (int i = 0; i < 3; ++i) Put(out, kind.masks[i], 4);
    }
    for (uint32_t colour : content.table) Put(out, colour, core ? 3 : 4);
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

} // namespace bmp_test

#endif
