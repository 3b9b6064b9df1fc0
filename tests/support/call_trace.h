// Reading recorded calls the way a person checks them: as a trace with
// named handles, as a release discipline, and as the pixels a region covers.
#pragma once

#include "api_hooks.h"

#include <map>
#include <string>
#include <vector>

// One line per recorded call, e.g. "SelectObject(dc1, dib1) = old1".
// Handles the test knows are given by name; handles first returned by a call
// are named after it (dc1, dib1, rgn1, old1, hwnd1, paint1, ...). Movable-memory
// calls are left out: they belong to the scan.
std::vector<std::string> CallTrace(const std::vector<ApiCall> &calls, std::map<uintptr_t, std::string> names = {});

// Checks that every device context, DIB section and region the calls made was
// released, except keep; that each context had its original bitmap selected
// back before it was deleted; that no bitmap was deleted while selected; and
// that contexts were deleted in the reverse order of their creation.
void ExpectReleasedInOrder(const std::vector<ApiCall> &calls, uintptr_t keep);

// The pixels of a width x height picture that the region covers, top row
// first, read through GetRegionData.
std::vector<bool> RegionMask(HRGN hRgn, int width, int height);
