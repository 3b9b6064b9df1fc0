"""The picture of the soft-edged program's tests, as a person's picture with
transparency tends to be: a card with an opaque black outline, a fully
transparent hole in it, a band whose alpha ramps from 0 to 255, and a soft
shadow below and to the right of it, on a transparent background.

    soft_picture.py OUT.png"""

import math
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
from make_sample_picture import png_bytes  # noqa: E402

WIDTH, HEIGHT = 200, 150
CARD = (20, 16, 150, 110)  # left, top, right, bottom
OUTLINE = 3
HOLE = ((85, 63), 14)      # centre and radius
RAMP = (20, 118, 180, 134)
SHADOW_OFFSET = 8
SHADOW_SOFTNESS = 10


def pixel(x, y):
    """(r, g, b, a) of one pixel."""
    left, top, right, bottom = CARD
    inside = left <= x < right and top <= y < bottom
    if inside and math.hypot(x - HOLE[0][0], y - HOLE[0][1]) < HOLE[1]:
        return (0, 0, 0, 0)
    if inside:
        edge = min(x - left, right - 1 - x, y - top, bottom - 1 - y)
        if edge < OUTLINE:
            return (0, 0, 0, 255)
        return (40 + x % 200, 200 - y, 90 + (x * y) % 150, 255)
    if RAMP[0] <= x < RAMP[2] and RAMP[1] <= y < RAMP[3]:
        alpha = 255 * (x - RAMP[0]) // (RAMP[2] - RAMP[0] - 1)
        return (30, 90 + (y - RAMP[1]) * 8, 220, alpha)
    # The shadow: black, fading with the distance from the card moved down
    # and right.
    dx = max(left + SHADOW_OFFSET - x, 0, x - (right - 1 + SHADOW_OFFSET))
    dy = max(top + SHADOW_OFFSET - y, 0, y - (bottom - 1 + SHADOW_OFFSET))
    distance = math.hypot(dx, dy)
    if distance < SHADOW_SOFTNESS and x >= left + SHADOW_OFFSET and y >= top + SHADOW_OFFSET:
        return (0, 0, 0, int(160 * (1 - distance / SHADOW_SOFTNESS)))
    return (0, 0, 0, 0)


def pixels():
    """Rows of (r, g, b, a), top row first."""
    return [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(png_bytes(pixels()))
