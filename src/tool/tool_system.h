// What the picture tool asks of the system it runs on: files read whole and
// written whole or not at all, where the tool itself lies, the console, and
// the entry point. tool_system_posix.cpp gives it on Linux,
// tool_system_windows.cpp on Windows, where names are UTF-16; to the rest of
// the tool every name and text is UTF-8.
#ifndef BRIMSHADE_TOOL_SYSTEM_H
#define BRIMSHADE_TOOL_SYSTEM_H

#include <cstdint>
#include <string>
#include <vector>

// The tool's own logic (picture_tool.cpp): the system's entry point calls it
// with the arguments after the program's name and returns its exit status.
int RunTool(const std::vector<std::string> &args);

// Reads a whole file, refusing one too large to be any picture or template
// the tool takes. On failure *pError says why.
bool ReadFileBytes(const std::string &path, std::vector<uint8_t> *pBytes, std::string *pError);

enum class WriteOutcome { kWritten, kExists, kFailed };

// Writes the file whole under a temporary name beside it, then puts it in
// place in one step, so that the output is either complete or as it was.
// With replace, an existing file is replaced; without, it is left alone and
// kExists returned. On kFailed *pError says why, and no temporary file is left.
WriteOutcome WriteFileWhole(const std::string &path, const std::vector<uint8_t> &bytes, bool replace,
                            std::string *pError);

bool IsRegularFile(const std::string &path);

// The folder the running tool lies in, with a separator at its end; empty if
// it cannot be found.
std::string ToolDirectory();

// The separator the system writes between folders, and whether a character
// separates folders in a name the tool is given ('/' does on Windows too).
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif
inline bool IsPathSeparator(char c)
{
    return c == '/' || c == kPathSeparator;
}

// Writes text to standard output or standard error: to a console as the
// characters it stands for, elsewhere as its UTF-8 bytes.
void PrintOut(const std::string &text);
void PrintError(const std::string &text);

// Sends what standard output still holds on its way. False, with the reason,
// when any of what was printed there could not be written (a full disk).
bool FlushOut(std::string *pError);

// After the pictures dropped on the tool are done: when the console was
// opened for the tool alone (it was started from the desktop, not from a
// prompt), asks for a key before closing it, so that the person can read
// what happened. It never waits when its input is not a console.
void KeepOwnConsoleOpen();

#endif
