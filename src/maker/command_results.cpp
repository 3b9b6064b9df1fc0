#include "command_results.h"

#include "bmp_format.h"
#include "bmp_writer.h"
#include "program_template.h"

#include <png.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The checker pattern the preview shows through the cut-away pixels: the
// same squares and greys as the end-to-end tests' desktop.
constexpr int kCheckerSize = 8;
constexpr uint8_t kCheckerLight = 224, kCheckerDark = 160;

// Appends printf's output for the format and arguments to *pText.
__attribute__((format(printf, 2, 3))) void Appendf(std::string *pText, const char *format, ...)
{
    va_list args, argsAgain;
    va_start(args, format);
    va_copy(argsAgain, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (length > 0) {
        const size_t at = pText->size();
        pText->resize(at + static_cast<size_t>(length) + 1);
        std::vsnprintf(&(*pText)[at], static_cast<size_t>(length) + 1, format, argsAgain);
        pText->resize(at + static_cast<size_t>(length));
    }
    va_end(argsAgain);
}

// The picture is not refused for this: the program is right on Windows.
// With soft edges, Wine makes the shape request of the pixels that are not
// fully transparent, with or without a compositor, and past the limit ends
// with an X error or shows the window with a wrong shape.
std::string X11Warning(const ShapedPicture &shaped, const RegionFigures &region)
{
    const std::string rectangles = std::to_string(region.bandedRectangles) + " rectangles, more than the " +
                                   std::to_string(kX11ShapeRectangleLimit) +
                                   " one X11 shape request can carry: on Windows the program is fine, but under Wine "
                                   "on X11 it fails at start";
    if (shaped.edges == Edges::kSoft)
        return "the window's pixels that are not fully transparent make " + rectangles +
               " (an X error ends it, or its window shows with a wrong shape)";
    return "the window's region has " + rectangles + " without showing its window (an X error ends it, or it hangs)";
}

// "17, 17, 17": the blue, green and red that near-black pixels are raised to.
std::string RaisedGreyText()
{
    const std::string grey = std::to_string(ART_RAISED_GREY);
    return grey + ", " + grey + ", " + grey;
}

std::string Percentage(uint64_t part, uint64_t whole)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.2f", whole ? 100.0 * part / whole : 0.0);
    return text;
}

// A rectangle's left, top, right and bottom between the brackets given.
std::string RectText(const RECT &rc, const char *open, const char *close)
{
    return open + std::to_string(rc.left) + ", " + std::to_string(rc.top) + ", " + std::to_string(rc.right) + ", " +
           std::to_string(rc.bottom) + close;
}

// An empty batch's bounds are the scan's reset values, no box at all.
std::string BatchBounds(const BatchFigures &batch, const char *open, const char *close, const char *none = "")
{
    return batch.rectangles ? RectText(batch.rcBound, open, close) : none;
}

// A PNG's gamma as libpng holds it, times 100000.
std::string GammaText(int fileGamma)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%.5f", fileGamma / 100000.0);
    return text;
}

// The length of the UTF-8 sequence that starts at p, of the n bytes there,
// or 0 when none does: no overlong forms, no surrogates, nothing past U+10FFFF.
size_t Utf8SequenceLength(const unsigned char *p, size_t n)
{
    if (p[0] < 0x80) return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF; // the bounds of the second byte
    if (p[0] >= 0xC2 && p[0] <= 0xDF)
        length = 2;
    else if (p[0] >= 0xE0 && p[0] <= 0xEF)
        length = 3, low = p[0] == 0xE0 ? 0xA0 : 0x80, high = p[0] == 0xED ? 0x9F : 0xBF;
    else if (p[0] >= 0xF0 && p[0] <= 0xF4)
        length = 4, low = p[0] == 0xF0 ? 0x90 : 0x80, high = p[0] == 0xF4 ? 0x8F : 0xBF;
    else
        return 0;
    if (n < length || p[1] < low || p[1] > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return 0;
    return length;
}

// Packs a pixel's blue, green and red as a colour table entry holds them.
uint32_t BgrOf(const uint8_t *pPixel)
{
    return pPixel[0] | pPixel[1] << 8 | pPixel[2] << 16;
}

// The colours of a picture that has at most 256, each with its index in the
// sorted colour table: open addressing in twice as many slots, so that a
// pixel costs a hash and a probe or two rather than a search.
struct FewColours {
    static constexpr size_t kMost = 256, kSlots = 2 * kMost;
    static constexpr uint32_t kUsed = 1u << 24; // above any colour, so a free slot is 0
    uint32_t slots[kSlots] = {};
    uint8_t indices[kSlots] = {};
    std::vector<uint32_t> sorted;
};

size_t SlotOf(const FewColours &colours, uint32_t bgr)
{
    size_t slot = (bgr * 2654435761u) >> 23; // the top 9 bits of a multiplicative hash
    while (colours.slots[slot] != 0 && colours.slots[slot] != (bgr | FewColours::kUsed))
        slot = (slot + 1) % FewColours::kSlots;
    return slot;
}

// The picture's colours, or none when it has more than 256.
void FindFewColours(const Picture &picture, FewColours *pColours)
{
    size_t count = 0;
    uint32_t last = FewColours::kUsed; // no colour
    for (size_t i = 0; i < picture.pixels.size(); i += 4) {
        const uint32_t bgr = BgrOf(&picture.pixels[i]);
        if (bgr == last) continue;
        last = bgr;
        const size_t slot = SlotOf(*pColours, bgr);
        if (pColours->slots[slot] != 0) continue;
        if (count == FewColours::kMost) return;
        pColours->slots[slot] = bgr | FewColours::kUsed;
        ++count;
    }
    for (uint32_t slot : pColours->slots)
        if (slot != 0) pColours->sorted.push_back(slot & ~FewColours::kUsed);
    std::sort(pColours->sorted.begin(), pColours->sorted.end());
    for (size_t i = 0; i < pColours->sorted.size(); ++i)
        pColours->indices[SlotOf(*pColours, pColours->sorted[i])] = static_cast<uint8_t>(i);
}

} // namespace

bool ReadShapedPicture(const uint8_t *pData, size_t cbData, EdgesChoice choice, ShapedPicture *pShaped,
                       std::string *pError)
{
    if (!ReadPicture(pData, cbData, &pShaped->picture, pError)) return false;
    const bool transparency = pShaped->picture.hasTransparency;
    if (choice == EdgesChoice::kSoft && !transparency) {
        *pError = "soft edges need a picture with transparency (an alpha channel or a transparent colour), "
                  "and this one has none";
        return false;
    }
    pShaped->edges = choice == EdgesChoice::kCut || !transparency ? Edges::kCut : Edges::kSoft;
    pShaped->counts =
        pShaped->edges == Edges::kSoft ? EncodeSoftShape(&pShaped->picture) : EncodeShapeInColours(&pShaped->picture);
    return true;
}

RegionFigures MeasureShape(const ShapedPicture &shaped)
{
    if (shaped.edges == Edges::kCut) return MeasureRegion(shaped.picture);
    return MeasureRegion(shaped.picture, kSoftShapeKey, kSoftShapeTolerance);
}

std::vector<std::string> Warnings(const ShapedPicture &shaped, const RegionFigures *pRegion)
{
    const uint64_t pixels = uint64_t(shaped.picture.width) * shaped.picture.height;
    std::vector<std::string> warnings;
    if (shaped.counts.seeThrough == pixels)
        warnings.push_back("every pixel is cut away: the window would be empty");
    else if (shaped.counts.seeThrough == 0 && shaped.counts.partlyTransparent == 0)
        warnings.push_back("no pixel is cut away: the window is a plain rectangle");
    if (pRegion && TooComplexForX11(*pRegion)) warnings.push_back(X11Warning(shaped, *pRegion));
    return warnings;
}

std::string JsonString(const std::string &text)
{
    std::string quoted = "\"";
    const unsigned char *p = reinterpret_cast<const unsigned char *>(text.data());
    for (size_t i = 0; i < text.size();) {
        const size_t length = Utf8SequenceLength(p + i, text.size() - i);
        if (length == 0)
            Appendf(&quoted, "\\udc%02x", p[i]);
        else if (p[i] == '"' || p[i] == '\\')
            Appendf(&quoted, "\\%c", p[i]);
        else if (p[i] < 0x20)
            Appendf(&quoted, "\\u%04x", p[i]);
        else
            quoted.append(text, i, length);
        i += length ? length : 1;
    }
    return quoted + "\"";
}

std::string InspectionText(const std::string &file, const ShapedPicture &shaped, const RegionFigures &region)
{
    const Picture &picture = shaped.picture;
    const uint64_t pixels = uint64_t(picture.width) * picture.height;
    std::string text = file + "\n";
    Appendf(&text, "  format: %s\n", picture.format.c_str());
    Appendf(&text, "  size: %d x %d\n", picture.width, picture.height);
    Appendf(&text, "  shape from: %s\n", picture.hasTransparency ? "transparency" : "near-black colours");
    text += shaped.edges == Edges::kSoft ? "  edges: soft, each pixel blended with what lies below by its alpha\n"
                                         : "  edges: cut to the shape\n";
    if (picture.gammaConverted)
        Appendf(&text, "  colours: converted to sRGB from the file's gamma %s\n", GammaText(picture.fileGamma).c_str());
    if (picture.alphaUnused) text += "  alpha: 0 throughout, so unused: the picture is opaque\n";
    Appendf(&text, "  see-through pixels: %llu of %llu (%s %%)\n", (unsigned long long)shaped.counts.seeThrough,
            (unsigned long long)pixels, Percentage(shaped.counts.seeThrough, pixels).c_str());
    if (picture.hasTransparency)
        Appendf(&text, "  partly transparent pixels: %llu\n", (unsigned long long)shaped.counts.partlyTransparent);
    if (picture.hasTransparency && shaped.edges == Edges::kCut)
        Appendf(&text, "  opaque near-black pixels raised to %s: %llu\n", RaisedGreyText().c_str(),
                (unsigned long long)shaped.counts.raised);
    Appendf(&text, "  rectangles: %llu in %llu batch%s\n", (unsigned long long)region.rectangles,
            (unsigned long long)region.batches.size(), region.batches.size() == 1 ? "" : "es");
    for (size_t i = 0; i < region.batches.size(); ++i)
        Appendf(&text, "    batch %llu: %u rectangles%s\n", (unsigned long long)i + 1, region.batches[i].rectangles,
                BatchBounds(region.batches[i], ", bounds (", ")").c_str());
    Appendf(&text, "  rectangles as the platform holds the region: %llu (rows with the same runs merged into bands)\n",
            (unsigned long long)region.bandedRectangles);
    Appendf(&text, "  largest batch block: %u bytes\n", region.largestBlockBytes);
    if (region.busiestRow >= 0)
        Appendf(&text, "  row with most runs: %d (%u runs)\n", region.busiestRow, region.busiestRowRuns);
    if (region.empty)
        text += "  region: empty\n";
    else
        Appendf(&text, "  region box: (%d, %d)-(%d, %d)\n", static_cast<int>(region.rcBox.left),
                static_cast<int>(region.rcBox.top), static_cast<int>(region.rcBox.right),
                static_cast<int>(region.rcBox.bottom));
    return text;
}

std::string InspectionJson(const std::string &file, const ShapedPicture &shaped, const RegionFigures &region)
{
    const Picture &picture = shaped.picture;
    const uint64_t pixels = uint64_t(picture.width) * picture.height;
    std::string json = "{\"file\": " + JsonString(file) + ", \"format\": " + JsonString(picture.format) +
                       ", \"width\": " + std::to_string(picture.width) +
                       ", \"height\": " + std::to_string(picture.height) +
                       ", \"has_transparency\": " + (picture.hasTransparency ? "true" : "false") +
                       ", \"edges\": " + (shaped.edges == Edges::kSoft ? "\"soft\"" : "\"cut\"") +
                       ", \"file_gamma\": " + (picture.fileGamma ? GammaText(picture.fileGamma) : "null") +
                       ", \"gamma_converted\": " + (picture.gammaConverted ? "true" : "false") +
                       ", \"alpha_unused\": " + (picture.alphaUnused ? "true" : "false") +
                       ", \"see_through_pixels\": " + std::to_string(shaped.counts.seeThrough) +
                       ", \"see_through_percent\": " + Percentage(shaped.counts.seeThrough, pixels) +
                       ", \"partly_transparent_pixels\": " + std::to_string(shaped.counts.partlyTransparent) +
                       ", \"raised_pixels\": " + std::to_string(shaped.counts.raised) +
                       ", \"rectangles\": " + std::to_string(region.rectangles) + ", \"batches\": [";
    for (size_t i = 0; i < region.batches.size(); ++i)
        json += std::string(i ? ", " : "") + "{\"rectangles\": " + std::to_string(region.batches[i].rectangles) +
                ", \"bounds\": " + BatchBounds(region.batches[i], "[", "]", "null") + "}";
    json += "], \"banded_rectangles\": " + std::to_string(region.bandedRectangles);
    json += ", \"largest_batch_block_bytes\": " + std::to_string(region.largestBlockBytes);
    json += ", \"row_with_most_runs\": " + (region.busiestRow >= 0
                                                ? "{\"row\": " + std::to_string(region.busiestRow) +
                                                      ", \"runs\": " + std::to_string(region.busiestRowRuns) + "}"
                                                : std::string("null"));
    json += ", \"region_box\": " + (region.empty ? std::string("null") : RectText(region.rcBox, "[", "]"));
    json += ", \"warnings\": [";
    const std::vector<std::string> warnings = Warnings(shaped, &region);
    for (size_t i = 0; i < warnings.size(); ++i) json += (i ? ", " : "") + JsonString(warnings[i]);
    return json + "]}\n";
}

std::vector<uint8_t> DrawPreview(const ShapedPicture &shaped)
{
    const Picture &picture = shaped.picture;
    const size_t width = picture.width, height = picture.height;
    std::vector<uint8_t> shown(width * height * 3);
    for (size_t row = 0; row < height; ++row) {
        const size_t y = height - 1 - row; // rows are stored bottom row first
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *src = &picture.pixels[(row * width + x) * 4];
            uint8_t *dst = &shown[(row * width + x) * 3];
            const bool light = (x / kCheckerSize + y / kCheckerSize) % 2 == 0;
            const uint8_t checker = light ? kCheckerLight : kCheckerDark;
            if (shaped.edges == Edges::kSoft) {
                // As the desktop blends the program's premultiplied pixels.
                uint8_t bgra[4];
                SoftPixelColours(src, bgra);
                for (int c = 0; c < 3; ++c)
                    dst[c] =
                        static_cast<uint8_t>(Premultiplied(bgra[c], bgra[3]) + Premultiplied(checker, 255 - bgra[3]));
            } else if (!IsSeeThrough(src)) {
                std::memcpy(dst, src, 3);
            } else {
                std::memset(dst, checker, 3);
            }
        }
    }
    return shown;
}

bool EncodePreview(const ShapedPicture &shaped, std::vector<uint8_t> *pPng, std::string *pError)
{
    const std::vector<uint8_t> bgr = DrawPreview(shaped);
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = shaped.picture.width;
    image.height = shaped.picture.height;
    image.format = PNG_FORMAT_BGR;
    // A negative stride: the rows run from the bottom of the picture.
    const png_int_32 stride = -static_cast<png_int_32>(3 * image.width);
    png_alloc_size_t size = 0;
    bool ok = png_image_write_to_memory(&image, nullptr, &size, 0, bgr.data(), stride, nullptr);
    if (ok) {
        pPng->resize(size);
        ok = png_image_write_to_memory(&image, pPng->data(), &size, 0, bgr.data(), stride, nullptr);
        pPng->resize(size);
    }
    if (!ok) *pError = std::string("cannot be encoded: ") + image.message;
    return ok;
}

std::vector<uint8_t> EncodeEmbeddedBmp(const ShapedPicture &shaped, size_t *pColours)
{
    const Picture &picture = shaped.picture;
    BmpFormat format;
    format.width = picture.width;
    format.height = picture.height;
    if (shaped.edges == Edges::kSoft) {
        *pColours = 0;
        format.bitCount = 32;
        return EncodeBmp(format, [&](uint32_t row, uint8_t *pRow) {
            const uint8_t *pPixel = &picture.pixels[size_t(row) * format.width * 4];
            for (uint32_t x = 0; x < format.width; ++x) SoftPixelColours(pPixel + 4 * x, pRow + 4 * x);
        });
    }
    FewColours colours;
    FindFewColours(picture, &colours);
    *pColours = colours.sorted.size();
    format.bitCount = colours.sorted.empty() ? 24 : 8;
    format.colourTable = colours.sorted;
    format.coloursUsed = static_cast<uint32_t>(colours.sorted.size());
    return EncodeBmp(format, [&](uint32_t row, uint8_t *pRow) {
        const uint8_t *pPixel = &picture.pixels[size_t(row) * format.width * 4];
        if (colours.sorted.empty()) {
            for (uint32_t x = 0; x < format.width; ++x, pPixel += 4) std::memcpy(pRow + 3 * x, pPixel, 3);
            return;
        }
        // Neighbours mostly share a colour.
        uint32_t last = FewColours::kUsed; // no colour
        uint8_t index = 0;
        for (uint32_t x = 0; x < format.width; ++x, pPixel += 4) {
            const uint32_t bgr = BgrOf(pPixel);
            if (bgr != last) {
                last = bgr;
                index = colours.indices[SlotOf(colours, bgr)];
            }
            pRow[x] = index;
        }
    });
}

bool PutInProgram(const std::vector<uint8_t> &programTemplate, const std::vector<uint8_t> &bmp, bool onTop,
                  std::vector<uint8_t> *pProgram, std::string *pError)
{
    return MakeProgram(programTemplate.data(), programTemplate.size(), bmp.data() + kBmpFileHeaderSize,
                       bmp.size() - kBmpFileHeaderSize, onTop, pProgram, pError);
}

std::string ConversionSummary(const std::string &out, const ShapedPicture &shaped, size_t colours)
{
    std::string text = out;
    Appendf(&text, ": %d x %d, ", shaped.picture.width, shaped.picture.height);
    if (shaped.edges == Edges::kSoft) {
        Appendf(&text, "32 bits with alpha, soft edges; %llu fully and %llu partly transparent pixels\n",
                (unsigned long long)shaped.counts.seeThrough, (unsigned long long)shaped.counts.partlyTransparent);
        return text;
    }
    if (colours == 0)
        text += "24 bits (more than 256 colours)";
    else
        Appendf(&text, "8 bits, %llu colours", (unsigned long long)colours);
    Appendf(&text, "; %llu see-through pixels", (unsigned long long)shaped.counts.seeThrough);
    if (shaped.picture.hasTransparency)
        Appendf(&text, ", %llu opaque near-black pixels raised to %s", (unsigned long long)shaped.counts.raised,
                RaisedGreyText().c_str());
    return text + "\n";
}
