#!/usr/bin/env python3
"""Draws the sample picture: a figure on a transparent background with a
black outline, as a user's own picture for the program typically is. The
README shows its preview, and the end-to-end test builds the program with it.

    tools/make_sample_picture.py OUT.png
"""
import math
import struct
import sys
import zlib

WIDTH, HEIGHT = 180, 150
CENTRE = (90, 78)
RADIUS = 58          # of the face, outline included
OUTLINE = 4          # opaque black: it must stay in the window
EARS = [((42, 30), (62, 14), (70, 40)), ((138, 30), (118, 14), (110, 40))]
SHADOW_ALPHA = 90    # a soft shadow below the figure, below 128: cut away


def inside_triangle(p, a, b, c):
    def side(p1, p2, p3):
        return (p1[0] - p3[0]) * (p2[1] - p3[1]) - (p2[0] - p3[0]) * (p1[1] - p3[1])
    d1, d2, d3 = side(p, a, b), side(p, b, c), side(p, c, a)
    return not ((d1 < 0 or d2 < 0 or d3 < 0) and (d1 > 0 or d2 > 0 or d3 > 0))


def pixel(x, y):
    """(r, g, b, a) of one pixel."""
    d = math.hypot(x - CENTRE[0], y - CENTRE[1])
    in_ear = any(inside_triangle((x, y), *ear) for ear in EARS)
    if d > RADIUS and not in_ear:
        below = math.hypot((x - CENTRE[0]) / 1.6, y - (CENTRE[1] + 62))
        return (0, 0, 0, SHADOW_ALPHA) if below < 12 else (0, 0, 0, 0)
    if d > RADIUS - OUTLINE and not in_ear:
        return (0, 0, 0, 255)
    if in_ear and d > RADIUS - OUTLINE:  # the ears, outlined like the face
        inner = any(inside_triangle((x, y), *shrunk(ear)) for ear in EARS)
        return (250, 150, 60, 255) if inner else (0, 0, 0, 255)
    # Near-black eyes: opaque, so they stay, raised just above the cut.
    for ex in (68, 112):
        if math.hypot(x - ex, y - 70) < 8:
            return (8, 8, 12, 255)
    if abs(math.hypot(x - CENTRE[0], y - 88) - 24) < 2 and y > 92:
        return (0, 0, 0, 255)   # the smile, part of the outline's black
    shade = int(40 * (y - CENTRE[1] + RADIUS) / (2 * RADIUS))
    return (255 - shade, 170 - shade, 60, 255)


def shrunk(triangle):
    cx = sum(p[0] for p in triangle) / 3
    cy = sum(p[1] for p in triangle) / 3
    return [(cx + (p[0] - cx) * 0.6, cy + (p[1] - cy) * 0.6) for p in triangle]


def pixels():
    """Rows of (r, g, b, a), top row first."""
    return [[pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]


def png_bytes(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(c for p in row for c in p) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6, 0, 0, 0)  # 8-bit RGBA
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(png_bytes(pixels()))
