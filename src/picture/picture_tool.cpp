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
// Options may come before or after the picture; -- ends them.
// Exit status: 0 done, 1 picture refused or output not written, 2 usage.
#include "bmp_format.h"
#include "bmp_writer.h"
#include "picture.h"
#include "program_template.h"
#include "region_figures.h"

#include <getopt.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
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

int PrintVersion()
{
    std::printf("%s %s\n", g_programName, BRIMSHADE_VERSION);
    return 0;
}

int ReportRefusal(const std::string &file, const std::string &reason)
{
    std::fprintf(stderr, "%s: %s: %s\n", g_programName, file.c_str(), reason.c_str());
    return kExitRefused;
}

// Writes all of the bytes to fd and closes it; on failure *pError says why.
bool WriteAllAndClose(int fd, const std::vector<uint8_t> &bytes, std::string *pError)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) break;
        done += static_cast<size_t>(written);
    }
    const int writeErrno = errno;
    const bool closed = close(fd) == 0;
    if (done == bytes.size() && closed) return true;
    *pError = std::string("cannot be written: ") + std::strerror(done != bytes.size() ? writeErrno : errno);
    return false;
}

// Writes the whole file under a temporary name beside it, then renames it, so
// that the output is either complete or not there at all.
bool WriteFileAtomically(const std::string &path, const std::vector<uint8_t> &bytes, std::string *pError)
{
    std::string temp = path + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        *pError = std::string("cannot be created: ") + std::strerror(errno);
        return false;
    }
    if (!WriteAllAndClose(fd, bytes, pError)) {
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

struct ShapedPicture {
    Picture picture;
    ShapeCounts counts;
};

bool ReadShapedPicture(const std::string &path, ShapedPicture *pShaped)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path.c_str(), &bytes, &error) ||
        !ReadPicture(bytes.data(), bytes.size(), &pShaped->picture, &error)) {
        ReportRefusal(path, error);
        return false;
    }
    pShaped->counts = EncodeShapeInColours(&pShaped->picture);
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
std::vector<std::string> Warnings(const ShapedPicture &shaped, const RegionFigures *pRegion = nullptr)
{
    const uint64_t pixels = uint64_t(shaped.picture.width) * shaped.picture.height;
    std::vector<std::string> warnings;
    if (shaped.counts.seeThrough == pixels)
        warnings.push_back("every pixel is cut away: the window would be empty");
    else if (shaped.counts.seeThrough == 0)
        warnings.push_back("no pixel is cut away: the window is a plain rectangle");
    if (pRegion && TooComplexForX11(*pRegion)) warnings.push_back(X11Warning(*pRegion));
    return warnings;
}

void PrintWarnings(const std::string &path, const ShapedPicture &shaped, const RegionFigures *pRegion = nullptr)
{
    for (const std::string &warning : Warnings(shaped, pRegion))
        std::fprintf(stderr, "%s: %s: warning: %s\n", g_programName, path.c_str(), warning.c_str());
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

void PrintInspection(const std::string &path, const ShapedPicture &shaped, const RegionFigures &region)
{
    const Picture &picture = shaped.picture;
    const uint64_t pixels = uint64_t(picture.width) * picture.height;
    std::printf("%s\n", path.c_str());
    std::printf("  format: %s\n", picture.format.c_str());
    std::printf("  size: %d x %d\n", picture.width, picture.height);
    std::printf("  shape from: %s\n", picture.hasTransparency ? "transparency" : "near-black colours");
    if (picture.gammaConverted)
        std::printf("  colours: converted to sRGB from the file's gamma %s\n", GammaText(picture.fileGamma).c_str());
    if (picture.alphaUnused) std::printf("  alpha: 0 throughout, so unused: the picture is opaque\n");
    std::printf("  see-through pixels: %llu of %llu (%s %%)\n", (unsigned long long)shaped.counts.seeThrough,
                (unsigned long long)pixels, Percentage(shaped.counts.seeThrough, pixels).c_str());
    if (picture.hasTransparency)
        std::printf("  opaque near-black pixels raised to %s: %llu\n", RaisedGreyText().c_str(),
                    (unsigned long long)shaped.counts.raised);
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

void PrintInspectionJson(const std::string &path, const ShapedPicture &shaped, const RegionFigures &region)
{
    const Picture &picture = shaped.picture;
    const uint64_t pixels = uint64_t(picture.width) * picture.height;
    std::string json = "{\"file\": " + JsonString(path) + ", \"format\": " + JsonString(picture.format) +
                       ", \"width\": " + std::to_string(picture.width) +
                       ", \"height\": " + std::to_string(picture.height) +
                       ", \"has_transparency\": " + (picture.hasTransparency ? "true" : "false") +
                       ", \"file_gamma\": " + (picture.fileGamma ? GammaText(picture.fileGamma) : "null") +
                       ", \"gamma_converted\": " + (picture.gammaConverted ? "true" : "false") +
                       ", \"alpha_unused\": " + (picture.alphaUnused ? "true" : "false") +
                       ", \"see_through_pixels\": " + std::to_string(shaped.counts.seeThrough) +
                       ", \"see_through_percent\": " + Percentage(shaped.counts.seeThrough, pixels) +
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
    std::printf("%s]}\n", json.c_str());
}

int Inspect(const std::string &path, bool json)
{
    ShapedPicture shaped;
    if (!ReadShapedPicture(path, &shaped)) return kExitRefused;
    const RegionFigures region = MeasureRegion(shaped.picture);
    if (!region.scanned) return ReportRefusal(path, "the scan ran out of memory");
    PrintWarnings(path, shaped, &region);
    if (json)
        PrintInspectionJson(path, shaped, region);
    else
        PrintInspection(path, shaped, region);
    return 0;
}

// The window as it will look, blue, green and red a pixel, bottom row first:
// the picture where it is kept, a checker pattern where it is cut away.
std::vector<uint8_t> DrawPreview(const Picture &picture)
{
    const size_t width = picture.width, height = picture.height;
    std::vector<uint8_t> shown(width * height * 3);
    for (size_t row = 0; row < height; ++row) {
        const size_t y = height - 1 - row; // rows are stored bottom row first
        for (size_t x = 0; x < width; ++x) {
            const uint8_t *src = &picture.pixels[(row * width + x) * 4];
            uint8_t *dst = &shown[(row * width + x) * 3];
            if (!IsSeeThrough(src)) {
                std::memcpy(dst, src, 3);
                continue;
            }
            const bool light = (x / kCheckerSize + y / kCheckerSize) % 2 == 0;
            std::memset(dst, light ? kCheckerLight : kCheckerDark, 3);
        }
    }
    return shown;
}

// A PNG of blue, green and red pixels stored bottom row first.
bool EncodePng(const std::vector<uint8_t> &bgr, int width, int height, std::vector<uint8_t> *pPng, std::string *pError)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_BGR;
    // A negative stride: the rows run from the bottom of the picture.
    const png_int_32 stride = -static_cast<png_int_32>(3 * width);
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

int Preview(const std::string &path, const std::string &out)
{
    ShapedPicture shaped;
    if (!ReadShapedPicture(path, &shaped)) return kExitRefused;
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePng(DrawPreview(shaped.picture), shaped.picture.width, shaped.picture.height, &png, &error) ||
        !WriteFileAtomically(out, png, &error))
        return ReportRefusal(out, error);
    PrintWarnings(path, shaped);
    return 0;
}

// Packs a pixel's blue, green and red as a colour table entry holds them.
uint32_t BgrOf(const uint8_t *pPixel)
{
    return pPixel[0] | pPixel[1] << 8 | pPixel[2] << 16;
}

// The picture's colours, sorted, when there are at most 256; else empty.
std::vector<uint32_t> FewColours(const Picture &picture)
{
    std::vector<uint32_t> colours;
    uint32_t last = 0;
    bool haveLast = false;
    for (size_t i = 0; i < picture.pixels.size(); i += 4) {
        const uint32_t bgr = BgrOf(&picture.pixels[i]);
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

// The BMP the program embeds: 8 bits with an exact colour table when the
// picture has at most 256 colours (given, sorted), else 24 bits.
std::vector<uint8_t> EncodeEmbeddedBmp(const Picture &picture, const std::vector<uint32_t> &colours)
{
    BmpFormat format;
    format.width = picture.width;
    format.height = picture.height;
    format.bitCount = colours.empty() ? 24 : 8;
    format.colourTable = colours;
    format.coloursUsed = static_cast<uint32_t>(colours.size());
    return EncodeBmp(format, [&](uint32_t row, uint8_t *pRow) {
        const uint8_t *pPixel = &picture.pixels[size_t(row) * format.width * 4];
        for (uint32_t x = 0; x < format.width; ++x, pPixel += 4) {
            if (colours.empty())
                std::memcpy(pRow + 3 * x, pPixel, 3);
            else
                pRow[x] = static_cast<uint8_t>(std::lower_bound(colours.begin(), colours.end(), BgrOf(pPixel)) -
                                               colours.begin());
        }
    });
}

// Replaces the BMP in *pBytes with the program made around it from the template.
bool PutInProgram(const std::string &templatePath, std::vector<uint8_t> *pBytes)
{
    std::vector<uint8_t> programTemplate, program;
    std::string error;
    if (!ReadFileBytes(templatePath.c_str(), &programTemplate, &error) ||
        !MakeProgram(programTemplate.data(), programTemplate.size(), pBytes->data() + kBmpFileHeaderSize,
                     pBytes->size() - kBmpFileHeaderSize, &program, &error)) {
        ReportRefusal(templatePath, error);
        return false;
    }
    pBytes->swap(program);
    return true;
}

// convert, and make when given the template program to put the BMP in.
int Convert(const std::string &path, const std::string &out, const std::string *pTemplate = nullptr)
{
    ShapedPicture shaped;
    if (!ReadShapedPicture(path, &shaped)) return kExitRefused;
    const std::vector<uint32_t> colours = FewColours(shaped.picture);
    std::string error;
    std::vector<uint8_t> bytes = EncodeEmbeddedBmp(shaped.picture, colours);
    if (pTemplate && !PutInProgram(*pTemplate, &bytes)) return kExitRefused;
    if (!WriteFileAtomically(out, bytes, &error)) return ReportRefusal(out, error);
    const RegionFigures region = MeasureRegion(shaped.picture);
    PrintWarnings(path, shaped, region.scanned ? &region : nullptr);
    std::printf("%s: %d x %d, ", out.c_str(), shaped.picture.width, shaped.picture.height);
    if (colours.empty())
        std::printf("24 bits (more than 256 colours)");
    else
        std::printf("8 bits, %zu colours", colours.size());
    std::printf("; %llu see-through pixels", (unsigned long long)shaped.counts.seeThrough);
    if (shaped.picture.hasTransparency)
        std::printf(", %llu opaque near-black pixels raised to %s", (unsigned long long)shaped.counts.raised,
                    RaisedGreyText().c_str());
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
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self));
    if (length <= 0 || length == sizeof(self)) return {};
    std::string dir(self, static_cast<size_t>(length));
    dir.erase(dir.rfind('/'));
    std::vector<std::string> places = {dir + "/brimshade.exe"};
    const std::string inBuildTree = "/src/picture";
    if (dir.size() > inBuildTree.size() &&
        dir.compare(dir.size() - inBuildTree.size(), std::string::npos, inBuildTree) == 0) {
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

// What the command line asks for: a command, its one picture and the options
// the usage shows, each at most once.
struct ToolArguments {
    std::string command, picture, out, programTemplate;
    bool json = false;
};

// Options may come before or after the picture, and -- ends them. False for
// an unknown or repeated option, an empty value, or not exactly one picture.
bool ParseArguments(int argc, char **argv, ToolArguments *pArgs)
{
    if (argc < 2) return false;
    pArgs->command = argv[1];
    enum { kJson = 1000, kTemplate };
    static const option kLongOptions[] = {{"json", no_argument, nullptr, kJson},
                                          {"template", required_argument, nullptr, kTemplate},
                                          {nullptr, 0, nullptr, 0}};
    // The command stands where getopt expects the program's name; the usage
    // is the only message.
    const int argcAfter = argc - 1;
    char **argvAfter = argv + 1;
    opterr = 0;
    optind = 1;
    for (int option; (option = getopt_long(argcAfter, argvAfter, "o:", kLongOptions, nullptr)) != -1;) {
        std::string *pValue = option == 'o' ? &pArgs->out : option == kTemplate ? &pArgs->programTemplate : nullptr;
        if (option == kJson && !pArgs->json)
            pArgs->json = true;
        else if (pValue == nullptr || !pValue->empty() || *optarg == '\0')
            return false;
        else
            *pValue = optarg;
    }
    if (optind != argcAfter - 1 || *argvAfter[optind] == '\0') return false;
    pArgs->picture = argvAfter[optind];
    return true;
}

// make, with the template named or else found.
int Make(const ToolArguments &args)
{
    std::string programTemplate = args.programTemplate;
    if (programTemplate.empty() && !FindTemplate(&programTemplate)) return kExitRefused;
    return Convert(args.picture, args.out, &programTemplate);
}

// Each command with the options it takes: inspect --json alone, the others -o,
// and make --template too.
int RunCommand(const ToolArguments &args)
{
    const bool inspect = args.command == "inspect", make = args.command == "make";
    if (inspect && args.out.empty() && args.programTemplate.empty()) return Inspect(args.picture, args.json);
    if (inspect || args.json || args.out.empty() || (!make && !args.programTemplate.empty()))
        return Usage(stderr, kExitUsage);
    if (args.command == "preview") return Preview(args.picture, args.out);
    if (args.command == "convert") return Convert(args.picture, args.out);
    if (make) return Make(args);
    return Usage(stderr, kExitUsage);
}

} // namespace

int main(int argc, char **argv)
{
    // A file size limit then fails the write, which is reported and cleaned
    // up, instead of killing the tool with its temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) return Usage(stdout, 0);
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) return PrintVersion();
    ToolArguments args;
    if (!ParseArguments(argc, argv, &args)) return Usage(stderr, kExitUsage);
    return RunCommand(args);
}
