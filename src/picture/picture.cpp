#include "picture.h"

#include "bmp_reader.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// No picture within the size limits needs a larger file: the biggest
// uncompressed one is a 256 MiB 32-bit copy plus headers.
constexpr long kMaxFileBytes = 512L << 20;

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

bool ReadPng(const uint8_t *pData, size_t cbData, Picture *pPicture, std::string *pError)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, pData, cbData)) {
        *pError = std::string("PNG refused by libpng: ") + image.message;
        return false;
    }
    // libpng has read and checked IHDR, the first chunk, by now.
    const int bitDepth = pData[24], colourType = pData[25], interlace = pData[28];
    std::string sizeError = CheckPictureSize(image.width, image.height);
    if (!sizeError.empty()) {
        png_image_free(&image);
        *pError = sizeError;
        return false;
    }
    Picture &picture = *pPicture;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.hasTransparency = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    picture.format = "PNG, colour type " + std::to_string(colourType) + " (" + PngColourTypeName(colourType) + "), " +
                     std::to_string(bitDepth) + (bitDepth == 1 ? " bit" : " bits") +
                     (interlace ? ", interlaced" : ", not interlaced");
    image.format = PNG_FORMAT_BGRA;
    picture.pixels.resize(PNG_IMAGE_SIZE(image));
    // A negative stride has libpng store the bottom row first.
    if (!png_image_finish_read(&image, nullptr, picture.pixels.data(), -static_cast<png_int_32>(4 * image.width),
                               nullptr)) {
        *pError = std::string("PNG refused by libpng: ") + image.message;
        png_image_free(&image);
        return false;
    }
    return true;
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
    pPicture->hasTransparency = false;
    pPicture->pixels = std::move(bmp.pixels);
    return true;
}

bool ReadFileBytes(const char *path, std::vector<uint8_t> *pBytes, std::string *pError)
{
    std::FILE *file = std::fopen(path, "rb");
    if (!file) {
        *pError = std::string("cannot be opened: ") + std::strerror(errno);
        return false;
    }
    long size = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
    bool ok = size >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    if (!ok) {
        *pError = "cannot be read: not a regular file";
    } else if (size > kMaxFileBytes) {
        *pError = "file of " + std::to_string(size) + " bytes: larger than any picture taken";
        ok = false;
    } else {
        pBytes->resize(static_cast<size_t>(size));
        ok = std::fread(pBytes->data(), 1, pBytes->size(), file) == pBytes->size();
        if (!ok) *pError = "cannot be read";
    }
    std::fclose(file);
    return ok;
}

Judgement JudgePicture(Picture *pPicture)
{
    Judgement judgement;
    uint8_t *p = pPicture->pixels.data();
    uint8_t *const end = p + pPicture->pixels.size();
    if (!pPicture->hasTransparency) {
        for (; p != end; p += 4) {
            judgement.seeThrough += IsSeeThrough(p);
            p[3] = 255;
        }
        return judgement;
    }
    for (; p != end; p += 4) {
        if (p[3] < 128) {
            p[0] = p[1] = p[2] = 0;
            ++judgement.seeThrough;
        } else if (IsSeeThrough(p)) {
            p[0] = p[1] = p[2] = kRaisedGrey;
            ++judgement.raised;
        }
        p[3] = 255;
    }
    return judgement;
}
