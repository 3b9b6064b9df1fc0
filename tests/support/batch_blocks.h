// The batch block's whole size in bytes, as the scan hands it to its sink: the
// region data's header and room for every rectangle the block can hold.
#pragma once

#include "color_key_scan.h"

constexpr DWORD BatchBlockBytes(DWORD capacity)
{
    return sizeof(RGNDATAHEADER) + capacity * sizeof(RECT);
}

// 1,632 bytes when a batch starts, with room for RECT_BATCH_STEP rectangles;
// 32,032 at most, with room for RECT_BATCH_LIMIT.
constexpr DWORD kFirstBlockBytes = BatchBlockBytes(RECT_BATCH_STEP);
constexpr DWORD kFullBlockBytes = BatchBlockBytes(RECT_BATCH_LIMIT);
