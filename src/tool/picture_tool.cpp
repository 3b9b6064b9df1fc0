// brimshade-picture: shows what the program will make of a picture before it
// is built in, converts the picture into the BMP the program embeds, and
// makes the program around it from a built one, without a compiler.
//
//   brimshade-picture inspect PICTURE [--json] [--edges=soft|cut]
//   brimshade-picture preview PICTURE -o OUT.png [--edges=soft|cut]
//   brimshade-picture convert PICTURE -o OUT.bmp [--edges=soft|cut]
//   brimshade-picture make PICTURE -o NAME.exe [--edges=soft|cut] [--on-top] [--template PROGRAM.exe]
//   brimshade-picture PICTURE...
//   brimshade-picture --help | --version
//
// Options may come before or after the picture; -- ends them. A picture with
// transparency gets soft edges unless --edges=cut says otherwise. The last
// form is what a desktop runs when pictures are dropped on the tool: it makes
// NAME.exe beside each picture, never over an existing file.
// Exit status: 0 done, 1 picture refused or output not written, 2 usage.
#include "command_results.h"
#include "tool_system.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

const std::string kProgramName = "brimshade-picture";
const std::string kTemplateName = "brimshade.exe";

int Usage(bool asked)
{
    const std::string &name = kProgramName;
    const std::string edges = " [--edges=soft|cut]";
    const std::string usage = "usage: " + name + " inspect PICTURE [--json]" + edges + "\n       " + name +
                              " preview PICTURE -o OUT.png" + edges + "\n       " + name +
                              " convert PICTURE -o OUT.bmp" + edges + "\n       " + name + " make PICTURE -o NAME.exe" +
                              edges + " [--on-top] [--template PROGRAM.exe]\n       " + name + " PICTURE...\n       " +
                              name +
                              " --help | --version\n"
                              "PICTURE is a PNG or BMP file. A picture with transparency gets soft edges, each pixel "
                              "blended with the desktop by its alpha, unless --edges=cut. Given pictures alone, as "
                              "when they are dropped on the tool, it makes NAME.exe beside each.\n";
    if (!asked) {
        PrintError(usage);
        return kExitUsage;
    }
    PrintOut(usage);
    return 0;
}

int ReportRefusal(const std::string &file, const std::string &reason)
{
    PrintError(kProgramName + ": " + file + ": " + reason + "\n");
    return kExitRefused;
}

// Runs the work for one picture: out of memory, the picture is refused and
// the tool goes on, rather than ending without a word (on the 32-bit Windows
// tool a picture near the size limits can need more than its address space).
template <typename Work> int ForPicture(const std::string &picture, Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc &) {
        return ReportRefusal(picture, "not enough memory for this picture");
    }
}

void PrintWarnings(const std::string &path, const ShapedPicture &shaped, const RegionFigures *pRegion = nullptr)
{
    for (const std::string &warning : Warnings(shaped, pRegion))
        PrintError(kProgramName + ": " + path + ": warning: " + warning + "\n");
}

bool ReadPictureFile(const std::string &path, EdgesChoice edges, ShapedPicture *pShaped)
{
    std::vector<uint8_t> bytes;
    std::string error;
    if (!ReadFileBytes(path, &bytes, &error) ||
        !ReadShapedPicture(bytes.data(), bytes.size(), edges, pShaped, &error)) {
        ReportRefusal(path, error);
        return false;
    }
    return true;
}

bool WriteOutput(const std::string &out, const std::vector<uint8_t> &bytes)
{
    std::string error;
    if (WriteFileWhole(out, bytes, true, &error) == WriteOutcome::kWritten) return true;
    ReportRefusal(out, error);
    return false;
}

int Inspect(const std::string &path, bool json, EdgesChoice edges)
{
    ShapedPicture shaped;
    if (!ReadPictureFile(path, edges, &shaped)) return kExitRefused;
    const RegionFigures region = MeasureShape(shaped);
    if (!region.scanned) return ReportRefusal(path, "the scan ran out of memory");
    PrintWarnings(path, shaped, &region);
    PrintOut(json ? InspectionJson(path, shaped, region) : InspectionText(path, shaped, region));
    return 0;
}

int Preview(const std::string &path, const std::string &out, EdgesChoice edges)
{
    ShapedPicture shaped;
    if (!ReadPictureFile(path, edges, &shaped)) return kExitRefused;
    std::vector<uint8_t> png;
    std::string error;
    if (!EncodePreview(shaped, &png, &error)) return ReportRefusal(out, error);
    if (!WriteOutput(out, png)) return kExitRefused;
    PrintWarnings(path, shaped);
    return 0;
}

// What convert or make is asked for: the picture's edges, and for make the
// template and whether the window stays above others.
struct Conversion {
    EdgesChoice edges = EdgesChoice::kDefault;
    const std::string *pTemplate = nullptr; // none for convert
    bool onTop = false;
};

// convert's BMP of the picture, or make's program around it when given the
// template; refusals are reported.
bool Converted(const std::string &path, const Conversion &conversion, ShapedPicture *pShaped, size_t *pColours,
               std::vector<uint8_t> *pBytes)
{
    if (!ReadPictureFile(path, conversion.edges, pShaped)) return false;
    *pBytes = EncodeEmbeddedBmp(*pShaped, pColours);
    if (!conversion.pTemplate) return true;
    std::vector<uint8_t> programTemplate, program;
    std::string error;
    if (!ReadFileBytes(*conversion.pTemplate, &programTemplate, &error) ||
        !PutInProgram(programTemplate, *pBytes, conversion.onTop, &program, &error)) {
        ReportRefusal(*conversion.pTemplate, error);
        return false;
    }
    pBytes->swap(program);
    return true;
}

// What convert and make say once the output is written.
void ReportConverted(const std::string &path, const std::string &out, const ShapedPicture &shaped, size_t colours,
                     const std::string *pTemplate)
{
    const RegionFigures region = MeasureShape(shaped);
    PrintWarnings(path, shaped, region.scanned ? &region : nullptr);
    PrintOut(ConversionSummary(out, shaped, colours));
    if (pTemplate) PrintOut(out + ": the program from " + *pTemplate + "\n");
}

// convert, and make when given the template program to put the BMP in.
int Convert(const std::string &path, const std::string &out, const Conversion &conversion)
{
    ShapedPicture shaped;
    size_t colours;
    std::vector<uint8_t> bytes;
    if (!Converted(path, conversion, &shaped, &colours, &bytes) || !WriteOutput(out, bytes)) return kExitRefused;
    ReportConverted(path, out, shaped, colours, conversion.pTemplate);
    return 0;
}

// The folder that holds the one given, which ends with a separator.
std::string ParentFolder(const std::string &folder)
{
    size_t end = folder.size() - 1;
    while (end > 0 && !IsPathSeparator(folder[end - 1])) --end;
    return end > 0 ? folder.substr(0, end) : folder;
}

// Where make looks for its template when none is named: beside the tool, as
// the release archives put it; in the data of an installed tool
// (share/brimshade/ beside its bin/); then, for a tool in a build tree
// (build/<preset>/src/tool/), at the win32 build's program there.
std::vector<std::string> TemplatePlaces()
{
    const std::string dir = ToolDirectory();
    if (dir.empty()) return {};
    const std::string sep(1, kPathSeparator);
    std::vector<std::string> places = {dir + kTemplateName,
                                       ParentFolder(dir) + "share" + sep + "brimshade" + sep + kTemplateName};
    const std::string inBuildTree = "src" + sep + "tool" + sep;
    if (dir.size() > inBuildTree.size() &&
        dir.compare(dir.size() - inBuildTree.size(), inBuildTree.size(), inBuildTree) == 0)
        places.push_back(ParentFolder(dir.substr(0, dir.size() - inBuildTree.size())) + "win32" + sep + kTemplateName);
    return places;
}

bool FindTemplate(std::string *pTemplate)
{
    const std::vector<std::string> places = TemplatePlaces();
    std::string looked;
    for (size_t i = 0; i < places.size(); ++i) {
        if (IsRegularFile(places[i])) {
            *pTemplate = places[i];
            return true;
        }
        looked += (i == 0 ? "" : i + 1 == places.size() ? " and " : ", ") + places[i];
    }
    PrintError(kProgramName + ": no template program: looked for " + looked + "; name one with --template\n");
    return false;
}

// What the command line asks for: a command, its one picture and the options
// the usage shows, each at most once.
struct ToolArguments {
    std::string command, picture, out, programTemplate, edges;
    bool json = false, onTop = false;
};

// Whether name, from an argument --name, stands for the long option: the
// option itself or, as getopt takes it, a shortening of it.
bool IsLongOption(const std::string &name, const std::string &option)
{
    return !name.empty() && option.compare(0, name.size(), name) == 0;
}

// Options may come before or after the picture, and -- ends them. Each takes
// the forms getopt_long gives it: -o OUT or -oOUT, --template PROGRAM or
// --template=PROGRAM, and so for --edges. False for an unknown or repeated
// option, an empty value, or not exactly one picture.
bool ParseArguments(const std::vector<std::string> &args, ToolArguments *pArgs)
{
    if (args.empty()) return false;
    pArgs->command = args[0];
    std::vector<std::string> pictures;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            pictures.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        std::string *pValue;
        std::string value;
        bool joined = false;
        if (arg[1] != '-') {
            if (arg[1] != 'o') return false;
            pValue = &pArgs->out;
            joined = arg.size() > 2;
            value = arg.substr(2);
        } else {
            const size_t equals = arg.find('=');
            const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            bool *pFlag = IsLongOption(name, "json")     ? &pArgs->json
                          : IsLongOption(name, "on-top") ? &pArgs->onTop
                                                         : nullptr;
            if (pFlag) {
                if (equals != std::string::npos || *pFlag) return false;
                *pFlag = true;
                continue;
            }
            if (IsLongOption(name, "template"))
                pValue = &pArgs->programTemplate;
            else if (IsLongOption(name, "edges"))
                pValue = &pArgs->edges;
            else
                return false;
            joined = equals != std::string::npos;
            if (joined) value = arg.substr(equals + 1);
        }
        if (!joined) {
            if (++i == args.size()) return false;
            value = args[i];
        }
        if (!pValue->empty() || value.empty()) return false;
        *pValue = value;
    }
    if (pictures.size() != 1 || pictures[0].empty()) return false;
    pArgs->picture = pictures[0];
    return true;
}

// make, with the template named or else found.
int Make(const ToolArguments &args, EdgesChoice edges)
{
    std::string programTemplate = args.programTemplate;
    if (programTemplate.empty() && !FindTemplate(&programTemplate)) return kExitRefused;
    return Convert(args.picture, args.out, {edges, &programTemplate, args.onTop});
}

// The edges --edges asks for; false for a value it does not take.
bool ParseEdges(const std::string &value, EdgesChoice *pEdges)
{
    *pEdges = value == "soft" ? EdgesChoice::kSoft : value == "cut" ? EdgesChoice::kCut : EdgesChoice::kDefault;
    return value.empty() || *pEdges != EdgesChoice::kDefault;
}

// Each command with the options it takes: inspect --json, the others -o,
// make --template and --on-top too, and all of them --edges.
int RunCommand(const ToolArguments &args)
{
    const bool inspect = args.command == "inspect", make = args.command == "make";
    const std::string &picture = args.picture;
    EdgesChoice edges;
    if (!ParseEdges(args.edges, &edges)) return Usage(false);
    if (inspect && args.out.empty() && args.programTemplate.empty() && !args.onTop)
        return ForPicture(picture, [&] { return Inspect(picture, args.json, edges); });
    if (inspect || args.json || args.out.empty() || (!make && (!args.programTemplate.empty() || args.onTop)))
        return Usage(false);
    if (args.command == "preview") return ForPicture(picture, [&] { return Preview(picture, args.out, edges); });
    if (args.command == "convert") return ForPicture(picture, [&] { return Convert(picture, args.out, {edges}); });
    if (make) return ForPicture(picture, [&] { return Make(args, edges); });
    return Usage(false);
}

// The program made from a dropped picture: NAME.exe beside it, or, when that
// is taken, NAME (2).exe and so on.
std::string ProgramBeside(const std::string &picture, int number)
{
    size_t nameStart = picture.size();
    while (nameStart > 0 && !IsPathSeparator(picture[nameStart - 1])) --nameStart;
    const size_t dot = picture.rfind('.');
    const std::string stem = dot != std::string::npos && dot > nameStart ? picture.substr(0, dot) : picture;
    return stem + (number > 1 ? " (" + std::to_string(number) + ")" : "") + ".exe";
}

// How far the numbering goes, should every name be taken.
constexpr int kMostNumberedPrograms = 9999;

int MakeBeside(const std::string &picture, const std::string &programTemplate)
{
    ShapedPicture shaped;
    size_t colours;
    std::vector<uint8_t> program;
    if (!Converted(picture, {EdgesChoice::kDefault, &programTemplate}, &shaped, &colours, &program))
        return kExitRefused;
    for (int number = 1; number <= kMostNumberedPrograms; ++number) {
        const std::string out = ProgramBeside(picture, number);
        std::string error;
        const WriteOutcome outcome = WriteFileWhole(out, program, false, &error);
        if (outcome == WriteOutcome::kFailed) return ReportRefusal(out, error);
        if (outcome == WriteOutcome::kExists) continue;
        if (number > 1) PrintOut(ProgramBeside(picture, 1) + " exists already, so the program is " + out + "\n");
        ReportConverted(picture, out, shaped, colours, &programTemplate);
        return 0;
    }
    return ReportRefusal(picture, "every name from " + ProgramBeside(picture, 1) + " to " +
                                      ProgramBeside(picture, kMostNumberedPrograms) + " is taken");
}

// The form a desktop runs when pictures are dropped on the tool: pictures
// alone, none of them an option, the first not a command's name.
bool IsDroppedPictures(const std::vector<std::string> &args)
{
    for (const std::string &arg : args)
        if (arg.empty() || arg[0] == '-') return false;
    const std::string &first = args[0];
    if (first == "inspect" || first == "preview" || first == "convert" || first == "make") return false;
    // A bare word ("show") is a mistyped command rather than a picture.
    return IsRegularFile(first) ||
           std::any_of(first.begin(), first.end(), [](char c) { return c == '.' || IsPathSeparator(c); });
}

int MakeEachBeside(const std::vector<std::string> &pictures)
{
    std::string programTemplate;
    int status = 0;
    if (!FindTemplate(&programTemplate))
        status = kExitRefused;
    else
        for (const std::string &picture : pictures)
            if (ForPicture(picture, [&] { return MakeBeside(picture, programTemplate); }) != 0) status = kExitRefused;
    KeepOwnConsoleOpen();
    return status;
}

int RunCommandLine(const std::vector<std::string> &args)
{
    if (args.empty()) {
        // Started with nothing to do, as by a double click: say how to use it.
        const int status = Usage(false);
        KeepOwnConsoleOpen();
        return status;
    }
    if (args.size() == 1 && args[0] == "--help") return Usage(true);
    if (args.size() == 1 && args[0] == "--version") {
        PrintOut(kProgramName + " " + BRIMSHADE_VERSION + "\n");
        return 0;
    }
    if (IsDroppedPictures(args)) return MakeEachBeside(args);
    ToolArguments toolArgs;
    if (!ParseArguments(args, &toolArgs)) return Usage(false);
    return RunCommand(toolArgs);
}

} // namespace

int RunTool(const std::vector<std::string> &args)
{
    const int status = RunCommandLine(args);
    std::string error;
    if (FlushOut(&error)) return status;
    PrintError(kProgramName + ": cannot write standard output: " + error + "\n");
    return kExitRefused;
}
