// The tests' own statement of which pixels the program cuts away, apart from
// the scan and the tool they check: those whose blue, green and red are each
// at most the cut rule's highest see-through value.
#pragma once

#include "art_key.h"

#include <cstdint>

inline bool IsNearBlack(uint8_t blue, uint8_t green, uint8_t red)
{
    return blue <= ART_SEE_THROUGH_MAX && green <= ART_SEE_THROUGH_MAX && red <= ART_SEE_THROUGH_MAX;
}
