// The largest file the maker is given as a picture or a template, and the
// refusal of a larger one, in the words that the tool and the page both give.
#ifndef BRIMSHADE_FILE_SIZE_LIMIT_H
#define BRIMSHADE_FILE_SIZE_LIMIT_H

#include <cstdint>
#include <string>

// No picture within the size limits needs a larger file: the biggest
// uncompressed one is a 256 MiB 32-bit copy plus headers. A template program
// carries one embedded picture, so the bound serves it too.
constexpr int64_t kMaxFileBytes = int64_t(512) << 20;

inline std::string LargerThanAnyFileRead(int64_t bytes)
{
    return "file of " + std::to_string(bytes) + " bytes: larger than any picture or program this tool reads";
}

#endif
