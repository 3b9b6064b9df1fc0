// brimshade-picture: shows what the program will make of a picture before it
// is built in, converts the picture into the BMP the program embeds, and
// makes the program around it from a built one, without a compiler.
//
//   brimshade-picture inspect PICTURE [--json]
//   brimshade-picture preview PICTURE -o OUT.png
//   brimshade-picture convert PICTURE -o OUT.bmp
//   brimshade-picture make PICTURE -o NAME.exe [--template PROGRAM.exe]
//   brimshade-picture --help | --version
//
// Exit status: 0 done, 1 picture refused or output not written, 2 usage.
#include "picture.h"
#include "program_template.h"
#include "region_figures.h"

#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// The checker pattern the preview shows through the cut-away pixels: the
// same squares and greys as the end-to-end tests' desktop.
constexpr int kCheckerSize = 8;
constexpr uint8_t kCheckerLight = 224, kCheckerDark = 160;

const char *g_programName = "brimshade-picture";

int Usage(std::FILE *out, int status)
{
    std::fprintf(out,
                 "usage: %s inspect PICTURE [--json]\n"
                 "       %s preview PICTURE -o OUT.png\n"
                 "       %s convert PICTURE -o OUT.bmp\n"
                 "       %s make PICTURE -o NAME.exe [--template PROGRAM.exe]\n"
                 "       %s --help | --version\n"
                 "PICTURE is a PNG or BMP file.\n",
                 g_programName, g_programName, g_programName, g_programName, g_programName);
    return status;
}

int Refuse(const std::string &file, const std::string &reason)
{
    std::fprintf(stderr, "%s: %s: %s\n", g_programName, file.c_str(), reason.c_str());
    return kExitRefused;
}

// Writes the whole file under a temporary name beside it, then renames it, so
// that the output is either complete or not there at all.
bool WriteWhole(const std::string &path, const std::vector<uint8_t> &bytes, std::string *pError)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *pError = std::string("cannot be created: ") + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    const int savedErrno = errno;
    const bool closed = close(fd) == 0;
    if (done != bytes.size() || !closed) {
        *pError = std::string("cannot be written: ") + std::strerror(done != bytes.size() ? savedErrno : errno);
        unlink(temp.c_str());
        return false;
    }
    // mkstemp makes the file private; the output is an ordinary file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(temp.c_str(), 0666 & ~mask);
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        *pError = std::string("cannot be written: ") + std::strerror(errno);
        unlink(temp.c_str());
        return false;
    }
    return true;
}

struct Judged {
    Picture picture;
    Judgement judgement;
};

bool Load(const std::string &path, Judged *pJudged)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path.c_str(), &bytes, &error) ||
        !ReadPicture(bytes.data(), bytes.size(), &pJudged->picture, &error)) {
        Refuse(path, error);
        return false;
    }
    pJudged->judgement = JudgePicture(&pJudged->picture);
    return true;
}

// The picture is not refused for this: the program is right on Windows.
std::string X11Warning(const RegionFigures &region)
{
    return "the window's region has " + std::to_string(region.bandedRectangles) + " rectangles, more than the " +
           std::to_string(kX11ShapeRectangleLimit) +
           " one X11 shape request can carry: on Windows the program is fine, but under Wine on X11 it fails at "
           "start without showing its window (an X error ends it, or it hangs)";
}

// pRegion, when given, is the scanned region of the picture.
std::vector<std::string> Warnings(const Judged &judged, const RegionFigures *pRegion = nullptr)
{
    const uint64_t pixels = uint64_t(judged.picture.width) * judged.picture.height;
    std::vector<std::string> warnings;
    if (judged.judgement.seeThrough == pixels)
        warnings.push_back("every pixel is cut away: the window would be empty");
    else if (judged.judgement.seeThrough == 0)
        warnings.push_back("no pixel is cut away: the window is a plain rectangle");
    if (pRegion && TooComplexForX11(*pRegion))
        warnings.push_back(X11Warning(*pRegion));
    return warnings;
}

void PrintWarnings(const std::string &path, const Judged &judged, const RegionFigures *pRegion = nullptr)
{
    for (const std::string &warning : Warnings(judged, pRegion))
        std::fprintf(stderr, "%s: %s: warning: %s\n", g_programName, path.c_str(), warning.c_str());
}

std::string Share(uint64_t part, uint64_t whole)
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

std::string JsonString(const std::string &text)
{
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof(escape), "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

void PrintInspection(const std::string &path, const Judged &judged, const RegionFigures &region)
{
    const Picture &p = judged.picture;
    const uint64_t pixels = uint64_t(p.width) * p.height;
    std::printf("%s\n", path.c_str());
    std::printf("  format: %s\n", p.format.c_str());
    std::printf("  size: %d x %d\n", p.width, p.height);
    std::printf("  shape from: %s\n", p.hasTransparency ? "transparency" : "near-black colours");
    if (p.gammaConverted)
        std::printf("  colours: converted to sRGB from the file's gamma %s\n", GammaText(p.fileGamma).c_str());
    if (p.alphaUnused) std::printf("  alpha: 0 throughout, so unused: the picture is opaque\n");
    std::printf("  see-through pixels: %llu of %llu (%s %%)\n", (unsigned long long)judged.judgement.seeThrough,
                (unsigned long long)pixels, Share(judged.judgement.seeThrough, pixels).c_str());
    if (p.hasTransparency)
        std::printf("  opaque near-black pixels raised to 17, 17, 17: %llu\n",
                    (unsigned long long)judged.judgement.raised);
    std::printf("  rectangles: %llu in %zu batch%s\n", (unsigned long long)region.rectangles, region.batches.size(),
                region.batches.size() == 1 ? "" : "es");
    for (size_t i = 0; i < region.batches.size(); ++i)
        std::printf("    batch %zu: %u rectangles%s\n", i + 1, region.batches[i].rectangles,
                    BatchBounds(region.batches[i], ", bounds (", ")").c_str());
    std::printf("  rectangles as the platform holds the region: %llu (rows with the same runs merged into bands)\n",
                (unsigned long long)region.bandedRectangles);
    std::printf("  largest batch block: %u bytes\n", region.largestBlockBytes);
    if (region.busiestRow >= 0)
        std::printf("  row with most runs: %d (%u runs)\n", region.busiestRow, region.busiestRowRuns);
    if (region.empty)
        std::printf("  region: empty\n");
    else
        std::printf("  region box: (%d, %d)-(%d, %d)\n", static_cast<int>(region.rcBox.left),
                    static_cast<int>(region.rcBox.top), static_cast<int>(region.rcBox.right),
                    static_cast<int>(region.rcBox.bottom));
}

void PrintInspectionJson(const std::string &path, const Judged &judged, const RegionFigures &region)
{
    const Picture &p = judged.picture;
    const uint64_t pixels = uint64_t(p.width) * p.height;
    std::string json = "{\"file\": " + JsonString(path) + ", \"format\": " + JsonString(p.format) +
                       ", \"width\": " + std::to_string(p.width) + ", \"height\": " + std::to_string(p.height) +
                       ", \"has_transparency\": " + (p.hasTransparency ? "true" : "false") +
                       ", \"file_gamma\": " + (p.fileGamma ? GammaText(p.fileGamma) : "null") +
                       ", \"gamma_converted\": " + (p.gammaConverted ? "true" : "false") +
                       ", \"alpha_unused\": " + (p.alphaUnused ? "true" : "false") +
                       ", \"see_through_pixels\": " + std::to_string(judged.judgement.seeThrough) +
                       ", \"see_through_percent\": " + Share(judged.judgement.seeThrough, pixels) +
                       ", \"raised_pixels\": " + std::to_string(judged.judgement.raised) +
                       ", \"rectangles\": " + std::to_string(region.rectangles) + ", \"batches\": [";
    for (size_t i = 0; i < region.batches.size(); ++i)
        json += std::string(i ? ", " : "") + "{\"rectangles\": " + std::to_string(region.batches[i].rectangles) +
                ", \"bounds\": " + BatchBounds(region.batches[i], "[", "]", "null") + "}";
    json += "], \"banded_rectangles\": " + std::to_string(region.bandedRectangles);
    json += ", \"largest_batch_block_bytes\": " + std::to_string(region.largestBlockBytes);
    json += ", \"row_with_most_runs\": " +
            (region.busiestRow >= 0 ? "{\"row\": " + std::to_string(region.busiestRow) +
                                          ", \"runs\": " + std::to_string(region.busiestRowRuns) + "}"
                                    : std::string("null"));
    json += ", \"region_box\": " + (region.empty ? std::string("null") : RectText(region.rcBox, "[", "]"));
    json += ", \"warnings\": [";
    const std::vector<std::string> warnings = Warnings(judged, &region);
    for (size_t i = 0; i < warnings.size(); ++i) json += (i ? ", " : "") + JsonString(warnings[i]);
    std::printf("%s]}\n", json.c_str());
}

int Inspect(const std::string &path, bool json)
{
    Judged judged;
    if (!Load(path, &judged)) return kExitRefused;
    const RegionFigures region = MeasureRegion(judged.picture);
    if (!region.scanned) return Refuse(path, "the scan ran out of memory");
    PrintWarnings(path, judged, &region);
    if (json)
        PrintInspectionJson(path, judged, region);
    else
        PrintInspection(path, judged, region);
    return 0;
}

int Preview(const std::string &path, const std::string &out)
{
    Judged judged;
    if (!Load(path, &judged)) return kExitRefused;
    const Picture &p = judged.picture;
    const size_t width = p.width, height = p.height;
    std::vector<uint8_t> shown(width * height * 3);
    for (size_t row = 0; row < height; ++row) {
        const size_t y = height - 1 - row; // rows are stored bottom row first
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *src = &p.pixels[(row * width + x) * 4];
            uint8_t *dst = &shown[(row * width + x) * 3];
            if (!IsSeeThrough(src)) {
                std::memcpy(dst, src, 3);
                continue;
            }
            const bool light = (x / kCheckerSize + y / kCheckerSize) % 2 == 0;
            std::memset(dst, light ? kCheckerLight : kCheckerDark, 3);
        }
    }
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = p.width;
    image.height = p.height;
    image.format = PNG_FORMAT_BGR;
    const png_int_32 stride = -static_cast<png_int_32>(3 * width);
    png_alloc_size_t size = 0;
    std::vector<uint8_t> encoded;
    bool ok = png_image_write_to_memory(&image, nullptr, &size, 0, shown.data(), stride, nullptr);
    if (ok) {
        encoded.resize(size);
        ok = png_image_write_to_memory(&image, encoded.data(), &size, 0, shown.data(), stride, nullptr);
        encoded.resize(size);
    }
    if (!ok) return Refuse(out, std::string("cannot be encoded: ") + image.message);
    std::string error;
    if (!WriteWhole(out, encoded, &error)) return Refuse(out, error);
    PrintWarnings(path, judged);
    return 0;
}

void Put16(std::vector<uint8_t> &out, uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back(value >> 8 & 0xFF);
}

void Put32(std::vector<uint8_t> &out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

// The picture's colours, sorted, when there are at most 256; else empty.
std::vector<uint32_t> FewColours(const Picture &p)
{
    std::vector<uint32_t> colours;
    uint32_t last = 0;
    bool haveLast = false;
    for (size_t i = 0; i < p.pixels.size(); i += 4) {
        const uint32_t bgr = p.pixels[i] | p.pixels[i + 1] << 8 | p.pixels[i + 2] << 16;
        if (haveLast && bgr == last) continue;
        last = bgr;
        haveLast = true;
        const auto at = std::lower_bound(colours.begin(), colours.end(), bgr);
        if (at != colours.end() && *at == bgr) continue;
        if (colours.size() == 256) return {};
        colours.insert(at, bgr);
    }
    return colours;
}

// A BITMAPINFOHEADER BMP, bottom row first: 8 bits with an exact colour table
// when the colours allow, else 24 bits.
std::vector<uint8_t> EncodeBmp(const Picture &p, const std::vector<uint32_t> &colours)
{
    const bool indexed = !colours.empty();
    const uint32_t width = p.width, height = p.height;
    const uint32_t stride = ((indexed ? width : 3 * width) + 3) / 4 * 4;
    const uint32_t pixelsAt = 14 + 40 + 4 * static_cast<uint32_t>(colours.size());
    std::vector<uint8_t> out;
    out.reserve(pixelsAt + size_t(stride) * height);
    out.push_back('B');
    out.push_back('M');
    Put32(out, pixelsAt + stride * height);
    Put32(out, 0);
    Put32(out, pixelsAt);
    Put32(out, 40);
    Put32(out, width);
    Put32(out, height); // positive: bottom row first
    Put16(out, 1);
    Put16(out, indexed ? 8 : 24);
    Put32(out, 0); // BI_RGB
    Put32(out, stride * height);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(colours.size()));
    Put32(out, 0);
    for (uint32_t bgr : colours) Put32(out, bgr);
    for (uint32_t row = 0; row < height; ++row) {
        const uint8_t *src = &p.pixels[size_t(row) * width * 4];
        for (uint32_t x = 0; x < width; ++x, src += 4) {
            if (indexed) {
                const uint32_t bgr = src[0] | src[1] << 8 | src[2] << 16;
                out.push_back(static_cast<uint8_t>(std::lower_bound(colours.begin(), colours.end(), bgr) -
                                                   colours.begin()));
            } else {
                out.insert(out.end(), src, src + 3);
            }
        }
        out.insert(out.end(), stride - (indexed ? width : 3 * width), 0);
    }
    return out;
}

// The BMP file's own header, which a bitmap resource goes without.
constexpr size_t kBmpFileHeaderSize = 14;

// Replaces the BMP in *pBytes with the program made around it from the template.
bool PutInProgram(const std::string &templatePath, std::vector<uint8_t> *pBytes)
{
    std::vector<uint8_t> programTemplate, program;
    std::string error;
    if (!ReadFileBytes(templatePath.c_str(), &programTemplate, &error) ||
        !MakeProgram(programTemplate.data(), programTemplate.size(), pBytes->data() + kBmpFileHeaderSize,
                     pBytes->size() - kBmpFileHeaderSize, &program, &error)) {
        Refuse(templatePath, error);
        return false;
    }
    pBytes->swap(program);
    return true;
}

// convert, and make when given the template program to put the BMP in.
int Convert(const std::string &path, const std::string &out, const std::string *pTemplate = nullptr)
{
    Judged judged;
    if (!Load(path, &judged)) return kExitRefused;
    const std::vector<uint32_t> colours = FewColours(judged.picture);
    std::string error;
    std::vector<uint8_t> bytes = EncodeBmp(judged.picture, colours);
    if (pTemplate && !PutInProgram(*pTemplate, &bytes)) return kExitRefused;
    if (!WriteWhole(out, bytes, &error)) return Refuse(out, error);
    const RegionFigures region = MeasureRegion(judged.picture);
    PrintWarnings(path, judged, region.scanned ? &region : nullptr);
    std::printf("%s: %d x %d, ", out.c_str(), judged.picture.width, judged.picture.height);
    if (colours.empty())
        std::printf("24 bits (more than 256 colours)");
    else
        std::printf("8 bits, %zu colours", colours.size());
    std::printf("; %llu see-through pixels", (unsigned long long)judged.judgement.seeThrough);
    if (judged.picture.hasTransparency)
        std::printf(", %llu opaque near-black pixels raised to 17, 17, 17",
                    (unsigned long long)judged.judgement.raised);
    std::printf("\n");
    if (pTemplate) std::printf("%s: the program from %s\n", out.c_str(), pTemplate->c_str());
    return 0;
}

// Where make looks for its template when none is named: beside the tool, as
// the release archive puts it, then, for a tool in a build tree
// (build/<preset>/src/picture/), at the win32 build's program there.
std::vector<std::string> TemplatePlaces()
{
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self));
    if (n <= 0 || n == sizeof(self)) return {};
    std::string dir(self, static_cast<size_t>(n));
    dir.erase(dir.rfind('/'));
    std::vector<std::string> places = {dir + "/brimshade.exe"};
    const std::string inBuildTree = "/src/picture";
    if (dir.size() > inBuildTree.size() && dir.compare(dir.size() - inBuildTree.size(), std::string::npos, inBuildTree) == 0) {
        const std::string presetDir = dir.substr(0, dir.size() - inBuildTree.size());
        places.push_back(presetDir.substr(0, presetDir.rfind('/')) + "/win32/brimshade.exe");
    }
    return places;
}

bool FindTemplate(std::string *pTemplate)
{
    std::string looked;
    for (const std::string &place : TemplatePlaces()) {
        struct stat st;
        if (stat(place.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            *pTemplate = place;
            return true;
        }
        looked += (looked.empty() ? "" : " and ") + place;
    }
    std::fprintf(stderr, "%s: no template program: looked for %s; name one with --template\n", g_programName,
                 looked.c_str());
    return false;
}

// make's arguments, in any order: the picture, -o NAME.exe and, if wanted,
// --template PROGRAM.exe.
int Make(const std::vector<std::string> &args)
{
    std::string picture, out, programTemplate;
    for (size_t i = 1; i < args.size(); ++i) {
        std::string *pValue = args[i] == "-o" ? &out : args[i] == "--template" ? &programTemplate : nullptr;
        if (!pValue && picture.empty())
            picture = args[i];
        else if (!pValue || i + 1 == args.size() || !pValue->empty())
            return Usage(stderr, kExitUsage);
        else
            *pValue = args[++i];
    }
    if (picture.empty() || out.empty()) return Usage(stderr, kExitUsage);
    if (programTemplate.empty() && !FindTemplate(&programTemplate)) return kExitRefused;
    return Convert(picture, out, &programTemplate);
}

} // namespace

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported and cleaned
    // up, instead of killing the tool with its temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "inspect" && args[1] != "--json") return Inspect(args[1], false);
    if (args.size() == 3 && args[0] == "inspect" && (args[1] == "--json" || args[2] == "--json"))
        return Inspect(args[1] == "--json" ? args[2] : args[1], true);
    if (args.size() == 4 && (args[0] == "preview" || args[0] == "convert") && (args[1] == "-o" || args[2] == "-o")) {
        const std::string &picture = args[1] == "-o" ? args[3] : args[1];
        const std::string &out = args[1] == "-o" ? args[2] : args[3];
        return args[0] == "preview" ? Preview(picture, out) : Convert(picture, out);
    }
    if (!args.empty() && args[0] == "make") return Make(args);
    if (args.size() == 1 && args[0] == "--help") return Usage(stdout, 0);
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("%s %s\n", g_programName, BRIMSHADE_VERSION);
        return 0;
    }
    return Usage(stderr, kExitUsage);
}
