// The scan as first committed, which tests one pixel at a time, compiled into
// its own namespace so that the benchmark can time it beside today's scan. The
// source is taken from history when the build is configured.
#include "color_key_scan.h" // outside the namespace; the guard keeps the copy below from including it again

namespace per_pixel_scan {
#include "per_pixel_scan_source.cpp"
}
