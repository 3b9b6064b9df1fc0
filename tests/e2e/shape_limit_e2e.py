"""The most rectangles a window's shape can have under Wine on X11, pinned.

The program is built through the build option, in the own-picture test's
build tree (so that only the resource and the link are redone), from two
pictures whose regions the platform holds in exactly LIMIT and LIMIT + 1
rectangles. At the limit the window shows with an X shape of exactly the
tool's count; one rectangle more and the program never shows its window.

Wine sets a window's region as its X shape in one ShapeRectangles request (16
bytes of header, 8 a rectangle) made without the BIG-REQUESTS form, so the
request's length in 4-byte units must fit 16 bits: (16 + 8 n) / 4 <= 65535,
n <= 32765. Beyond it the length wraps and the X server reads the request as
something else: the program ends with an X error or hangs, without a window.

With soft edges Wine sets the X shape of a layered window's pixels that are
not fully transparent the same way, with or without a compositor: at the
limit the window shows with exactly that shape; one rectangle more and it
never shows with the picture's shape (an X error ends it, or the misread
request leaves it another shape).

If a future Wine lifts the limit, the picture above it shows and this test
fails: then the tool's warning (kX11ShapeRectangleLimit) and docs/reference.md's
"Limits" must be revised."""

import json
import struct
import subprocess
import time
import unittest
import zlib

from brimshade_e2e import DISPLAY, Program, describe_difference, eventually
from desktop import Desktop
from own_picture_e2e import BUILD, build, configure

LIMIT = 32765
TOOL = BUILD / "picture-tool" / "src" / "tool" / "brimshade-picture"
WARNING = f"rectangles, more than the {LIMIT} one X11 shape request can carry"
# The window at the limit shows within half a second on this machine.
NO_WINDOW_WAIT = 6.0

WIDTH = 256
TOP_BAND = 4


def picture_png(pixels, height, soft):
    """The pixels given white on black, an RGB PNG for a cut window; or white
    on transparent, an RGBA one for soft edges."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    kept, left = (b"\xff\xff\xff\xff", b"\0\0\0\0") if soft else (b"\xff\xff\xff", b"\0\0\0")
    raw = b"".join(b"\0" + b"".join(kept if (x, y) in pixels else left for x in range(WIDTH)) for y in range(height))
    header = struct.pack(">IIBBBBB", WIDTH, height, 8, 6 if soft else 2, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def opaque_pixels(banded):
    """A picture the platform holds in `banded` rectangles: TOP_BAND equal
    opaque rows (one band), then rows of one-pixel runs at alternate columns,
    each row unlike its neighbours, the last one cut short."""
    runs_per_row, runs = WIDTH // 2, banded - 1
    height = TOP_BAND + -(-runs // runs_per_row)
    return {(x, y) for y in range(height) for x in range(WIDTH)
            if y < TOP_BAND or (x % 2 == y % 2 and (y - TOP_BAND) * runs_per_row + x // 2 < runs)}


class ShapeLimitTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(DISPLAY)
        cls.addClassCleanup(cls.desktop.close)

    def build_with(self, banded, soft=False):
        """Builds the program with such a picture, checks the configure's
        warning, and returns the picture's opaque pixels and the tool's count."""
        pixels = opaque_pixels(banded)
        height = max(y for _, y in pixels) + 1
        picture = BUILD / f"banded-{banded}{'-soft' if soft else ''}.png"
        picture.write_bytes(picture_png(pixels, height, soft))
        configured = configure(picture)
        built = build()
        for step in (configured, built):
            self.assertEqual(step.returncode, 0, step.stdout + step.stderr)
        self.assertEqual(f"{banded} {WARNING}" in configured.stderr, banded > LIMIT, configured.stderr)
        inspected = subprocess.run([TOOL, "inspect", "--json", picture], capture_output=True, text=True,
                                   check=True, timeout=60)
        count = json.loads(inspected.stdout)["banded_rectangles"]
        self.assertEqual(count, banded)
        return pixels, count

    def start(self):
        program = Program(str(BUILD / "brimshade.exe"))
        self.addCleanup(program.end)
        return program

    def shows_its_shape_at_the_limit(self, soft):
        pixels, count = self.build_with(LIMIT, soft)
        program = self.start()

        def one_window():
            windows = self.desktop.windows_of(program.process.pid)
            self.assertEqual(len(windows), 1)
            return windows[0]
        window = eventually(one_window)
        eventually(lambda: self.assertEqual(len(self.desktop.shape_rectangles(window)), count))
        shape = self.desktop.shape_pixels(window)
        self.assertTrue(shape == pixels, describe_difference("window shape", shape, pixels))
        program.end()

    def test_at_the_limit_the_window_shows_and_one_rectangle_more_it_never_does(self):
        self.shows_its_shape_at_the_limit(soft=False)
        self.build_with(LIMIT + 1)
        program = self.start()
        deadline = time.monotonic() + NO_WINDOW_WAIT
        while program.running() and time.monotonic() < deadline:
            self.assertEqual(self.desktop.windows_of(program.process.pid), [])
            time.sleep(0.2)
        # Ended by the X error, or hanging on the request the server misread.
        if not program.running():
            self.assertNotEqual(program.process.returncode, 0)

    def test_soft_edges_at_the_limit_show_and_one_rectangle_more_never_with_the_pictures_shape(self):
        self.shows_its_shape_at_the_limit(soft=True)
        pixels, _ = self.build_with(LIMIT + 1, soft=True)
        program = self.start()
        deadline = time.monotonic() + NO_WINDOW_WAIT
        while program.running() and time.monotonic() < deadline:
            for window in self.desktop.windows_of(program.process.pid):
                self.assertNotEqual(self.desktop.shape_pixels(window), pixels)
            time.sleep(0.2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
