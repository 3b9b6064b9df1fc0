// The refusals of a file to read that both systems' file code gives, in the
// same words, so that the Linux and the Windows tool print the same lines.
#ifndef BRIMSHADE_FILE_REFUSALS_H
#define BRIMSHADE_FILE_REFUSALS_H

#include "file_size_limit.h"

#include <string>

// A folder, a device or a pipe given as a picture or a template.
inline std::string NotARegularFile()
{
    return "cannot be read: not a regular file";
}

#endif
