"""The cut rule as the Python tests state it, apart from the program: a pixel
is cut away when its blue, green and red are each at most SEE_THROUGH_MAX. The
figure is read from the program's own header, so that a change of the
tolerance there reaches these tests too."""

import re
from pathlib import Path

_HEADER = Path(__file__).resolve().parents[2] / "src" / "region" / "art_key.h"
SEE_THROUGH_MAX = int(re.search(r"#define ART_KEY_TOLERANCE (0x[0-9A-Fa-f]+)", _HEADER.read_text()).group(1), 16) & 0xFF


def is_near_black(red, green, blue):
    return max(red, green, blue) <= SEE_THROUGH_MAX
