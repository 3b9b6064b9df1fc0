#include "picture.h"

#include "bmp_reader.h"

#include <png.h>

#include <cstdio>
#include <cstring>

namespace {

const char *PngColourTypeName(int colourType)
{
    switch (colourType) {
    case 0: return "grey";
    case 2: return "RGB";
    case 3: return "palette";
    case 4: return "grey with alpha";
    case 6: return "RGB with alpha";
    default: return "unknown";
    }
}

// One PNG being read through libpng's row API. libpng reports an error by
// jumping back to the setjmp of the step that called it; both steps keep
// only trivially destructible locals, so that the jump skips no destructor.
//
// The row API rather than the simplified one: Debian's libpng 1.6.39 (with
// its later security fix) reduces 16-bit rows to 8 bits in the simplified API
// through one row buffer that it copies out for every row of every Adam7
// pass, including the rows a pass does not touch, so an interlaced 16-bit
// file comes out scrambled. The transforms below are the ones the simplified
// API applies for 8-bit sRGB output, 16-bit files taken as sRGB-encoded when
// they carry no gamma, and give the same pixels for every other file.
struct PngReading {
    png_structp png;
    png_infop info;
    const uint8_t *pData;
    size_t cbData;
    size_t offset;
    char message[256];
};

void ReadPngBytes(png_structp png, png_bytep pOut, size_t cb)
{
    PngReading *pReading = static_cast<PngReading *>(png_get_io_ptr(png));
    if (cb > pReading->cbData - pReading->offset) png_error(png, "the file ends early");
    std::memcpy(pOut, pReading->pData + pReading->offset, cb);
    pReading->offset += cb;
}

void OnPngError(png_structp png, png_const_charp message)
{
    PngReading *pReading = static_cast<PngReading *>(png_get_error_ptr(png));
    std::snprintf(pReading->message, sizeof(pReading->message), "%s", message);
    png_longjmp(png, 1);
}

// A warning (a damaged ancillary chunk, say) leaves the picture readable.
void OnPngWarning(png_structp, png_const_charp) {}

// a x b / divisor, rounded as libpng's fixed-point arithmetic rounds it: up
// when the remainder is at least half the divisor, rounded down.
int64_t MulDiv(int64_t a, int64_t b, int64_t divisor)
{
    const int64_t product = a * b;
    return product / divisor + (product % divisor >= divisor / 2);
}

// Whether libpng takes a gamma, in its fixed point, as far enough from 1 to
// convert by.
bool IsSignificant(int64_t gamma)
{
    return gamma < PNG_FP_1 - PNG_GAMMA_THRESHOLD_FIXED || gamma > PNG_FP_1 + PNG_GAMMA_THRESHOLD_FIXED;
}

// libpng converts the colours when the file's gamma times sRGB's 2.2 is
// further from 1 than its threshold; its tables then raise each colour to the
// reciprocal of that product, and a reciprocal within the threshold leaves
// them as they are. So a product from 1.05 to about 1.0526 changes nothing.
bool GammaIsConverted(png_fixed_point fileGamma)
{
    if (fileGamma <= 0) return false;
    const int64_t product = MulDiv(fileGamma, PNG_GAMMA_sRGB, PNG_FP_1);
    return IsSignificant(product) && IsSignificant(MulDiv(PNG_FP_1, PNG_FP_1, product));
}

std::string DescribePng(png_structp png, png_infop info)
{
    const int bitDepth = png_get_bit_depth(png, info), colourType = png_get_color_type(png, info);
    return "PNG, colour type " + std::to_string(colourType) + " (" + PngColourTypeName(colourType) + "), " +
           std::to_string(bitDepth) + (bitDepth == 1 ? " bit" : " bits") +
           (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE ? ", interlaced" : ", not interlaced");
}

// Reads the chunks before the pixels and asks for blue, green, red and alpha,
// 8 bits each, in sRGB. False with *pSizeError set for a picture too large.
bool ReadPngHeader(PngReading *pReading, Picture *pPicture, std::string *pSizeError)
{
    png_structp png = pReading->png;
    png_infop info = pReading->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    *pSizeError = CheckPictureSize(png_get_image_width(png, info), png_get_image_height(png, info));
    if (!pSizeError->empty()) return false;
    pPicture->width = static_cast<int>(png_get_image_width(png, info));
    pPicture->height = static_cast<int>(png_get_image_height(png, info));
    pPicture->format = DescribePng(png, info);
    pPicture->hasTransparency =
        (png_get_color_type(png, info) & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_fixed_point fileGamma = 0;
    if (png_get_gAMA_fixed(png, info, &fileGamma)) pPicture->fileGamma = fileGamma;
    pPicture->gammaConverted = GammaIsConverted(pPicture->fileGamma);
    png_set_expand(png); // palette, tRNS and grey below 8 bits
    png_set_gray_to_rgb(png);
    png_set_scale_16(png); // rounded, not truncated
    // Colours in sRGB, alpha not premultiplied; a file without gamma is sRGB.
    png_set_alpha_mode_fixed(png, PNG_ALPHA_PNG, PNG_DEFAULT_sRGB);
    png_set_bgr(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return true;
}

bool ReadPngRows(PngReading *pReading, png_bytepp ppRows)
{
    if (setjmp(png_jmpbuf(pReading->png))) return false;
    png_read_image(pReading->png, ppRows);
    return true;
}

bool ReadPng(const uint8_t *pData, size_t cbData, Picture *pPicture, std::string *pError)
{
    PngReading reading = {nullptr, nullptr, pData, cbData, 0, ""};
    reading.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &reading, OnPngError, OnPngWarning);
    if (reading.png) reading.info = png_create_info_struct(reading.png);
    if (!reading.info) {
        png_destroy_read_struct(&reading.png, nullptr, nullptr);
        *pError = "out of memory";
        return false;
    }
    png_set_read_fn(reading.png, &reading, ReadPngBytes);
    std::string sizeError;
    bool ok = ReadPngHeader(&reading, pPicture, &sizeError);
    if (ok) {
        // Rows bottom row first, the order the program's scan takes.
        const size_t width = pPicture->width, height = pPicture->height;
        pPicture->pixels.resize(4 * width * height);
        std::vector<png_bytep> rows(height);
        for (size_t y = 0; y < height; ++y) rows[y] = &pPicture->pixels[4 * width * (height - 1 - y)];
        ok = ReadPngRows(&reading, rows.data());
    }
    png_destroy_read_struct(&reading.png, &reading.info, nullptr);
    if (!ok) *pError = !sizeError.empty() ? sizeError : std::string("PNG refused by libpng: ") + reading.message;
    return ok;
}

} // namespace

bool ReadPicture(const uint8_t *pData, size_t cbData, Picture *pPicture, std::string *pError)
{
    static const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (cbData >= 8 && std::memcmp(pData, kPngSignature, 8) == 0) return ReadPng(pData, cbData, pPicture, pError);
    BmpPicture bmp;
    if (!ReadBmp(pData, cbData, &bmp, pError)) return false;
    pPicture->width = bmp.width;
    pPicture->height = bmp.height;
    pPicture->format = DescribeBmp(bmp);
    pPicture->hasTransparency = bmp.hasAlpha;
    pPicture->alphaUnused = bmp.alphaUnused;
    pPicture->pixels = std::move(bmp.pixels);
    return true;
}

ShapeCounts EncodeShapeInColours(Picture *pPicture)
{
    ShapeCounts counts;
    uint8_t *pPixel = pPicture->pixels.data();
    uint8_t *const pEnd = pPixel + pPicture->pixels.size();
    if (!pPicture->hasTransparency) {
        for (; pPixel != pEnd; pPixel += 4) {
            counts.seeThrough += IsSeeThrough(pPixel);
            pPixel[3] = 255;
        }
        return counts;
    }
    for (; pPixel != pEnd; pPixel += 4) {
        counts.partlyTransparent += pPixel[3] != 0 && pPixel[3] != 255;
        if (pPixel[3] < 128) {
            pPixel[0] = pPixel[1] = pPixel[2] = 0;
            ++counts.seeThrough;
        } else if (IsSeeThrough(pPixel)) {
            pPixel[0] = pPixel[1] = pPixel[2] = ART_RAISED_GREY;
            ++counts.raised;
        }
        pPixel[3] = 255;
    }
    return counts;
}

ShapeCounts EncodeSoftShape(Picture *pPicture)
{
    ShapeCounts counts;
    uint8_t *pPixel = pPicture->pixels.data();
    uint8_t *const pEnd = pPixel + pPicture->pixels.size();
    for (; pPixel != pEnd; pPixel += 4) {
        const uint8_t alpha = pPixel[3];
        counts.seeThrough += alpha == 0;
        counts.partlyTransparent += alpha != 0 && alpha != 255;
        pPixel[3] = pPixel[0];
        pPixel[0] = alpha;
    }
    return counts;
}
