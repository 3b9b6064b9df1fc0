"""inspect's JSON, parsed whole, against figures counted here independently:
the see-through pixels from the picture as written, and the region from
row runs cut into batches of 2000, as the program's scan hands them over.

    inspect_figures_test.py TOOL"""

import json
import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from cut_rule import is_near_black  # noqa: E402

TOOL = sys.argv.pop(1) if len(sys.argv) > 1 else None
BATCH = 2000


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(rows, alpha, extra=b""):
    """An 8-bit RGB or RGBA PNG of rows of (r, g, b, a), top row first."""
    raw = b"".join(b"\0" + bytes(v for p in row for v in (p if alpha else p[:3])) for row in rows)
    ihdr = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 6 if alpha else 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def bmp_with_unused_alpha(rows):
    """A 32-bit BMP with a V5 header and an alpha mask, alpha 0 throughout."""
    width, height = len(rows[0]), len(rows)
    header = struct.pack("<IiiHHIIiiII", 124, width, height, 1, 32, 3, 4 * width * height, 0, 0, 0, 0)
    header += struct.pack("<IIII", 0xFF0000, 0xFF00, 0xFF, 0xFF000000).ljust(124 - len(header), b"\0")
    pixels = b"".join(bytes((b, g, r, 0)) for row in reversed(rows) for r, g, b, _ in row)
    return b"BM" + struct.pack("<IHHI", 14 + 124 + len(pixels), 0, 0, 14 + 124) + header + pixels


def expected(path, fmt, rows, transparency, gamma=None, alpha_unused=False, edges=None):
    """With soft edges (a picture with transparency's by default) the region
    is that of the pixels not fully transparent."""
    width, height = len(rows[0]), len(rows)
    edges = edges or ("soft" if transparency else "cut")
    near_black = lambda p: is_near_black(*p[:3])
    cut = [[(p[3] == 0 if edges == "soft" else p[3] < 128) if transparency else near_black(p) for p in row]
           for row in rows]
    see_through = sum(map(sum, cut))
    partly = sum(1 for row in rows for p in row if transparency and 0 < p[3] < 255)
    raised = sum(1 for row in rows for p in row if edges == "cut" and transparency and p[3] >= 128 and near_black(p))
    rects, runs_per_row, banded, above = [], [], 0, []
    for y, row in enumerate(cut):
        starts = [x for x in range(width) if not row[x] and (x == 0 or row[x - 1])]
        ends = [x + 1 for x in range(width) if not row[x] and (x == width - 1 or row[x + 1])]
        rects += [(x0, y, x1, y + 1) for x0, x1 in zip(starts, ends)]
        runs_per_row.append(len(starts))
        # A row with the runs of the row just above makes that band taller.
        runs = list(zip(starts, ends))
        banded += 0 if runs == above else len(runs)
        above = runs
    chunks = [rects[i:i + BATCH] for i in range(0, len(rects) - len(rects) % BATCH, BATCH)]
    chunks.append(rects[len(rects) - len(rects) % BATCH:])

    def box(rs):
        return [min(r[0] for r in rs), min(r[1] for r in rs), max(r[2] for r in rs), max(r[3] for r in rs)] if rs else None
    capacity = max(100, max(math.ceil(len(c) / 100) * 100 for c in chunks))
    most = max(runs_per_row)
    pixels = width * height
    warnings = (["every pixel is cut away: the window would be empty"] if see_through == pixels else
                ["no pixel is cut away: the window is a plain rectangle"] if see_through == partly == 0 else [])
    return {
        "file": str(path), "format": fmt, "width": width, "height": height, "has_transparency": transparency,
        "edges": edges, "file_gamma": gamma, "gamma_converted": gamma is not None, "alpha_unused": alpha_unused,
        "see_through_pixels": see_through, "see_through_percent": float(f"{100 * see_through / pixels:.2f}"),
        "partly_transparent_pixels": partly, "raised_pixels": raised, "rectangles": len(rects),
        "batches": [{"rectangles": len(c), "bounds": box(c)} for c in chunks], "banded_rectangles": banded,
        "largest_batch_block_bytes": 32 + 16 * capacity,
        "row_with_most_runs": {"row": runs_per_row.index(most), "runs": most} if most else None,
        "region_box": box(rects), "warnings": warnings,
    }


def figure_rows():
    """Over 2000 runs: narrow ones on the left in the top 60 rows (2280 of
    them), on the right below, so that the first batch ends at 150 and the
    second at 200 and begins further down; alpha 127, 1 and 0 cut away, 128
    kept, opaque near-black kept and raised; with soft edges only alpha 0 is
    cut away."""
    rows = []
    for y in range(90):
        row = []
        for x in range(200):
            cut = x % 4 == 3 or x >= 150 if y < 60 else x < 50 or x % 5 == 0
            colour = (5, 5, 5) if (x + y) % 7 == 0 else (x % 256, 90, 200 - y)
            row.append(colour + ((0, 1, 127)[(x + y) % 3] if cut else 128 + (x * y) % 128,))
        rows.append(row)
    return rows


class InspectFigures(unittest.TestCase):
    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="brimshade-inspect-"))
        self.addCleanup(subprocess.run, ["rm", "-rf", str(self.dir)])

    def check(self, name, data, options=(), **expectation):
        path = self.dir / name
        path.write_bytes(data)
        result = subprocess.run([TOOL, "inspect", str(path), "--json", *options], capture_output=True, text=True,
                                timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(json.loads(result.stdout), expected(path, **expectation))
        return result

    def test_every_field_of_a_picture_in_two_batches_with_a_quoted_name(self):
        rows = figure_rows()
        for edges in ("soft", "cut"):
            with self.subTest(edges):
                self.check('a "figure" \\ with quotes.png', png(rows, True), [f"--edges={edges}"], rows=rows,
                           transparency=True, edges=edges,
                           fmt="PNG, colour type 6 (RGB with alpha), 8 bits, not interlaced")

    def test_a_picture_cut_away_entirely_has_an_empty_region(self):
        rows = [[(16, 0, 16, 255)] * 10 for _ in range(5)]
        result = self.check("black.png", png(rows, False), rows=rows, transparency=False,
                            fmt="PNG, colour type 2 (RGB), 8 bits, not interlaced")
        self.assertIn("every pixel is cut away", result.stderr)
        text = subprocess.run([TOOL, "inspect", str(self.dir / "black.png")], capture_output=True, text=True).stdout
        self.assertIn("  region: empty\n", text)
        self.assertNotIn("2147483647", text)

    def test_gamma_and_unused_alpha_are_named(self):
        rows = [[(255 * (x % 2), 0, 255, 255) for x in range(9)] for _ in range(4)]
        self.check("gamma.png", png(rows, False, chunk(b"gAMA", struct.pack(">I", 100000))), rows=rows,
                   transparency=False, gamma=1.0, fmt="PNG, colour type 2 (RGB), 8 bits, not interlaced")
        self.check("alpha.bmp", bmp_with_unused_alpha(rows), rows=rows, transparency=False, alpha_unused=True,
                   fmt="BMP, BITMAPV5HEADER (124 bytes), 32 bits, BI_BITFIELDS, bottom-up, alpha unused (0 throughout)")

    def test_a_name_that_is_not_utf8_is_escaped_and_can_be_turned_back(self):
        # Latin-1, a surrogate written as UTF-8, a quote and an emoji.
        path = os.fsencode(self.dir) + b"/caf\xe9 \xed\xa0\x80 \" \xf0\x9f\x98\x80.png"
        with open(path, "wb") as f:
            f.write(png([[(200, 0, 0, 255)]], False))
        result = subprocess.run([TOOL, "inspect", "--json", path], capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(os.fsencode(json.loads(result.stdout.decode("utf-8"))["file"]), path)


if __name__ == "__main__":
    unittest.main(verbosity=2)
