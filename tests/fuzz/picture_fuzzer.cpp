// libFuzzer target: the picture reader on any bytes, BMP or PNG, then the
// judging. A picture it takes must be whole and within the limits; one it
// refuses must say why. Out-of-bounds reads, leaks and undefined behaviour are
// caught by the sanitizers.
#include "bmp_reader.h"
#include "picture.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t cbData)
{
    Picture picture;
    std::string error;
    if (!ReadPicture(pData, cbData, &picture, &error)) {
        if (error.empty()) std::abort();
        return 0;
    }
    const int64_t width = picture.width, height = picture.height;
    if (width < 1 || height < 1 || !CheckPictureSize(width, height).empty() ||
        picture.pixels.size() != static_cast<size_t>(4 * width * height))
        std::abort();
    const ShapeCounts counts = EncodeShapeInColours(&picture);
    uint64_t seeThrough = 0;
    for (size_t i = 0; i < picture.pixels.size(); i += 4) {
        if (picture.pixels[i + 3] != 255) std::abort();
        seeThrough += IsSeeThrough(&picture.pixels[i]);
    }
    if (seeThrough != counts.seeThrough || (!picture.hasTransparency && counts.raised != 0)) std::abort();
    return 0;
}
