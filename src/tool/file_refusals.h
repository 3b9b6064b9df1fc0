// The refusals of a file to read that both systems' file code gives, in the
// same words, so that the Linux and the Windows tool print the same lines.
#ifndef BRIMSHADE_FILE_REFUSALS_H
#define BRIMSHADE_FILE_REFUSALS_H

#include <cstdint>
#include <string>

// No picture within the size limits needs a larger file: the biggest
// uncompressed one is a 256 MiB 32-bit copy plus headers. A template program
// carries one embedded picture, so the bound serves it too.
constexpr int64_t kMaxFileBytes = int64_t(512) << 20;

// A folder, a device or a pipe given as a picture or a template.
inline std::string NotARegularFile()
{
    return "cannot be read: not a regular file";
}

inline std::string LargerThanAnyFileRead(int64_t bytes)
{
    return "file of " + std::to_string(bytes) + " bytes: larger than any picture or program this tool reads";
}

#endif
