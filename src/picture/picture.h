// A picture as the program will see it, read from a PNG (through libpng) or a
// BMP file, with its shape put into its colours: which pixels the window
// keeps.
#ifndef BRIMSHADE_PICTURE_H
#define BRIMSHADE_PICTURE_H

#include "art_key.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    // What the file is, e.g. "PNG, colour type 6 (RGB with alpha), 8 bits, not interlaced".
    std::string format;
    // The file says which pixels are see-through (a PNG alpha channel or
    // tRNS, or a BMP's alpha mask).
    bool hasTransparency = false;
    // A PNG's gamma (from gAMA or sRGB) times 100000, 0 when it gives none,
    // and whether its colours were converted from that gamma to sRGB, as a
    // colour-managed viewer shows them. The shape is judged after it.
    int fileGamma = 0;
    bool gammaConverted = false;
    // A BMP with an alpha mask whose every pixel's alpha is 0: older tools
    // write an unused channel that way, so the picture is taken as opaque.
    bool alphaUnused = false;
    // Blue, green, red, alpha for each pixel, bottom row first, rows 4 x width
    // bytes apart: the surface the program's scan takes.
    std::vector<uint8_t> pixels;
};

// Whether the program cuts the pixel away: its blue, green and red are each
// at most ART_SEE_THROUGH_MAX.
inline bool IsSeeThrough(const uint8_t *pBgr)
{
    return pBgr[0] <= ART_SEE_THROUGH_MAX && pBgr[1] <= ART_SEE_THROUGH_MAX && pBgr[2] <= ART_SEE_THROUGH_MAX;
}

// Reads a PNG or BMP file held in memory. On refusal returns false with the
// rule the file breaks in *pError.
bool ReadPicture(const uint8_t *pData, size_t cbData, Picture *pPicture, std::string *pError);

struct ShapeCounts {
    uint64_t seeThrough = 0;        // pixels the program will cut away, or leave fully transparent
    uint64_t raised = 0;            // opaque near-black pixels raised to ART_RAISED_GREY
    uint64_t partlyTransparent = 0; // pixels of the picture with alpha above 0 and below 255
};

// Rewrites the pixels so that the program's cut by colour gives the shape,
// and counts what it cuts and what is raised. With transparency, alpha
// decides: below 128 becomes black, and opaque near-black becomes the raised
// grey so that it stays. Without, the colours stay as they are. Alpha becomes
// 255 throughout.
ShapeCounts EncodeShapeInColours(Picture *pPicture);

// For soft edges the scan reads the shape from alpha: a pixel is cut away
// (under Wine on X11) and lets clicks through where its alpha is 0, whatever
// its colour. EncodeSoftShape swaps each pixel's alpha into its first byte,
// where the scan looks, and its blue into its fourth, which the scan never
// reads: alpha, green, red, blue, with these key and tolerance the scan finds
// the pixels whose alpha is above 0. It counts the fully and the partly
// transparent pixels.
constexpr uint32_t kSoftShapeKey = 0x000000, kSoftShapeTolerance = 0xFFFF00;
ShapeCounts EncodeSoftShape(Picture *pPicture);

// Blue, green, red and alpha of a pixel that EncodeSoftShape has swapped.
inline void SoftPixelColours(const uint8_t *pSwapped, uint8_t *pBgra)
{
    pBgra[0] = pSwapped[3];
    pBgra[1] = pSwapped[1];
    pBgra[2] = pSwapped[2];
    pBgra[3] = pSwapped[0];
}

// A colour byte times alpha, as a premultiplied surface holds it.
inline uint8_t Premultiplied(uint8_t colour, uint8_t alpha)
{
    return static_cast<uint8_t>((colour * alpha + 127) / 255);
}

#endif
