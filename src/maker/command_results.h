// What each command of the picture tool makes of a picture held in memory:
// inspect's text and JSON, preview's PNG, convert's BMP and make's program,
// with the warnings and summaries the tool prints beside them. Files, the
// command line and the console are the caller's: the tool (src/tool) and the
// web page's entry (src/web) call these same functions, so both give the
// same bytes.
#ifndef BRIMSHADE_COMMAND_RESULTS_H
#define BRIMSHADE_COMMAND_RESULTS_H

#include "picture.h"
#include "region_figures.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How the program shows the picture's edges: cut, the window cut to the
// shape the picture's colours give, as the shipped program is; or soft, a
// layered window on which each pixel is blended with what lies below by the
// picture's own alpha.
enum class Edges { kCut, kSoft };

// What the user asks for; by default a picture with transparency gets soft
// edges, any other cut ones.
enum class EdgesChoice { kDefault, kCut, kSoft };

struct ShapedPicture {
    Picture picture; // for soft edges as read, alpha not premultiplied, swapped by EncodeSoftShape
    Edges edges = Edges::kCut;
    ShapeCounts counts;
};

// Reads a PNG or BMP file's bytes and gets the picture ready for the edges
// chosen: for cut edges, its shape put into its colours. On refusal returns
// false with the rule the file breaks, or why it cannot have the edges
// chosen, in *pError.
bool ReadShapedPicture(const uint8_t *pData, size_t cbData, EdgesChoice choice, ShapedPicture *pShaped,
                       std::string *pError);

// The region the program makes of the picture, for cut edges; for soft ones,
// the region of the pixels that are not fully transparent, which Wine on X11
// makes the window's shape.
RegionFigures MeasureShape(const ShapedPicture &shaped);

// What the user should know before building the picture in: a window that
// would be empty or a plain rectangle, and, given the scanned region, a shape
// too complex for Wine on X11. Each is one sentence.
std::vector<std::string> Warnings(const ShapedPicture &shaped, const RegionFigures *pRegion = nullptr);

// inspect's report on the picture read from the file named, as text and as
// one JSON object; each ends with a newline.
std::string InspectionText(const std::string &file, const ShapedPicture &shaped, const RegionFigures &region);
std::string InspectionJson(const std::string &file, const ShapedPicture &shaped, const RegionFigures &region);

// The window as it will look over a checker pattern: the picture where it
// is kept and the pattern where it is cut away, or with soft edges the
// picture blended over the pattern; blue, green and red a pixel, bottom row
// first.
std::vector<uint8_t> DrawPreview(const ShapedPicture &shaped);

// preview's PNG of DrawPreview's pixels. False with the reason in *pError if
// it cannot be made.
bool EncodePreview(const ShapedPicture &shaped, std::vector<uint8_t> *pPng, std::string *pError);

// convert's BMP, the one the program embeds: for cut edges 8 bits with an
// exact colour table when the picture has at most 256 colours, else 24 bits;
// for soft ones 32 bits with alpha. *pColours is the table's length, 0
// without one.
std::vector<uint8_t> EncodeEmbeddedBmp(const ShapedPicture &shaped, size_t *pColours);

// make's program: the template with the BMP (as EncodeEmbeddedBmp writes it)
// as its picture, its window kept above others when onTop. False with the
// rule the template breaks in *pError.
bool PutInProgram(const std::vector<uint8_t> &programTemplate, const std::vector<uint8_t> &bmp, bool onTop,
                  std::vector<uint8_t> *pProgram, std::string *pError);

// The line convert and make print for the output written: its size, its
// colours and the pixels cut away and raised, or for soft edges the fully
// and partly transparent ones; it ends with a newline.
std::string ConversionSummary(const std::string &out, const ShapedPicture &shaped, size_t colours);

// text as a JSON string, quotes included. Bytes that are not UTF-8 become
// \udc80 to \udcff, as Python's surrogateescape reads them, so that any file
// name gives JSON that parses and can be turned back into its bytes.
std::string JsonString(const std::string &text);

#endif
