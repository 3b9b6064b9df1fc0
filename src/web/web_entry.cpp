// The web page's way into the picture tool: for one picture held in memory,
// what inspect, convert, make and preview give, computed by the tool's own
// functions (command_results.h), with the program made from the template built
// into this module. The page's worker calls make() once for each picture.
#include "command_results.h"
#include "file_size_limit.h"
#include "template_program.h"

#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <string>
#include <vector>

using emscripten::val;

namespace {

// A copy, owned by the page, of bytes in the module's memory.
val PageBytes(const std::vector<uint8_t> &bytes)
{
    return val(emscripten::typed_memory_view(bytes.size(), bytes.data())).call<val>("slice");
}

void Report(val &report, const char *kind, val value)
{
    report(std::string(kind), value);
}

// The tool's one line for a refusal.
std::string RefusalLine(const std::string &file, const std::string &reason)
{
    return "brimshade-picture: " + file + ": " + reason;
}

void ReportRefusal(val &report, const std::string &file, const std::string &reason)
{
    Report(report, "refusal", val(RefusalLine(file, reason)));
}

// The preview for a canvas: red, green, blue and alpha a pixel, top row first.
std::vector<uint8_t> PreviewForCanvas(const ShapedPicture &shaped)
{
    const std::vector<uint8_t> bgr = DrawPreview(shaped);
    const size_t width = shaped.picture.width, height = shaped.picture.height;
    std::vector<uint8_t> rgba(4 * width * height);
    for (size_t y = 0; y < height; ++y) {
        const uint8_t *pFrom = &bgr[3 * width * (height - 1 - y)];
        uint8_t *pTo = &rgba[4 * width * y];
        for (size_t x = 0; x < width; ++x, pFrom += 3, pTo += 4) {
            pTo[0] = pFrom[2];
            pTo[1] = pFrom[1];
            pTo[2] = pFrom[0];
            pTo[3] = 255;
        }
    }
    return rgba;
}

// The edges the page's choice asks for, as --edges takes them: "soft",
// "cut", or "" for the default.
EdgesChoice ChosenEdges(const std::string &edges)
{
    return edges == "soft" ? EdgesChoice::kSoft : edges == "cut" ? EdgesChoice::kCut : EdgesChoice::kDefault;
}

// Tells report(kind, value), in this order: "stage" before each step, then
// "inspection" (inspect --json's text), "bitmap" (convert's BMP), "program"
// (make's program) and "preview" (the pixels of preview's image); or, for a
// refused picture, "refusal" with the tool's message, and nothing more. edges
// and onTop are make's --edges and --on-top.
void Make(const std::string &picture, const std::string &file, const std::string &edges, bool onTop, val report)
{
    Report(report, "stage", val("reading"));
    ShapedPicture shaped;
    std::string error;
    if (!ReadShapedPicture(reinterpret_cast<const uint8_t *>(picture.data()), picture.size(), ChosenEdges(edges),
                           &shaped, &error))
        return ReportRefusal(report, file, error);
    Report(report, "stage", val("scanning"));
    const RegionFigures region = MeasureShape(shaped);
    if (!region.scanned) return ReportRefusal(report, file, "the scan ran out of memory");
    Report(report, "inspection", val(InspectionJson(file, shaped, region)));

    Report(report, "stage", val("making"));
    size_t colours;
    const std::vector<uint8_t> bmp = EncodeEmbeddedBmp(shaped, &colours);
    const std::vector<uint8_t> programTemplate(kTemplateProgram, kTemplateProgram + kTemplateProgramSize);
    std::vector<uint8_t> program;
    if (!PutInProgram(programTemplate, bmp, onTop, &program, &error))
        return ReportRefusal(report, "brimshade.exe", error);
    Report(report, "bitmap", PageBytes(bmp));
    Report(report, "program", PageBytes(program));

    Report(report, "stage", val("drawing"));
    Report(report, "preview", PageBytes(PreviewForCanvas(shaped)));
}

// The tool's one line for a file larger than any it reads, "" for any
// other: asked before the file is read, so that a file of gigabytes given by
// mistake is never copied into memory.
std::string RefusalOfSize(double bytes, const std::string &file)
{
    if (bytes <= kMaxFileBytes) return "";
    return RefusalLine(file, LargerThanAnyFileRead(static_cast<int64_t>(bytes)));
}

} // namespace

EMSCRIPTEN_BINDINGS(brimshade)
{
    emscripten::function("make", &Make);
    emscripten::function("refusalOfSize", &RefusalOfSize);
}
