// The cut rule: which of the artwork's pixels are cut away. A pixel is
// see-through when each of its blue, green and red bytes lies between the
// key's component and that plus the tolerance's, both ends inclusive; with a
// black key and 16 in every component, when all three bytes lie in 0..16.
// The window, the picture tool, the tests and the benchmarks all take the
// rule from here, so changing it here changes it everywhere.
#ifndef BRIMSHADE_ART_KEY_H
#define BRIMSHADE_ART_KEY_H

#define ART_KEY_COLOR 0x000000
#define ART_KEY_TOLERANCE 0x101010

// The highest value of each byte of a see-through pixel: with a black key and
// the same tolerance in every component, one figure serves all three.
#define ART_SEE_THROUGH_MAX (ART_KEY_TOLERANCE & 0xFF)
// The grey just above the cut, to which the picture tool raises opaque pixels
// that would otherwise be cut away, so that they stay.
#define ART_RAISED_GREY (ART_SEE_THROUGH_MAX + 1)

static_assert(ART_KEY_COLOR == 0 && ART_KEY_TOLERANCE == ART_SEE_THROUGH_MAX * 0x010101 && ART_SEE_THROUGH_MAX < 0xFF,
              "the tool's near-black rule and raised grey need a black key and a grey tolerance below 255");

#endif
