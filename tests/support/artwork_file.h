// Reads the committed artwork BMP with the project's own BMP reader, without
// the platform's loader, so that tests can compare what the program makes of
// it with what the file says.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ArtworkFile {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> dib;     // the packed DIB, as the resource holds it
    std::vector<uint8_t> palette; // 256 entries of blue, green, red, 0
    std::vector<uint8_t> indices; // width x height, top row first
    std::vector<bool> seeThrough; // width x height, top row first

    bool IsSeeThrough(int x, int y) const { return seeThrough[static_cast<size_t>(y) * width + x]; }
};

// Fails the calling test (and returns an empty file) when the file is not an
// 8-bit bottom-up BMP with a full colour table.
ArtworkFile ReadArtworkFile(const std::string &path);
