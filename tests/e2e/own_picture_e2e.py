"""The program built with a picture of the user's own, end to end: a sub-build
of this source tree with -DBRIMSHADE_ARTWORK= the sample picture (a figure
on a transparent background, with a black outline), whose window has soft
edges, as make gives a picture with transparency, and so takes exactly the
picture's pixels that are not fully transparent as its shape on a display
without a compositor, outline included. A picture
the tool refuses must stop the configure with the tool's message, and an
edited picture must be what the next build embeds."""

import os
import pefile
import subprocess
import sys
import unittest
from pathlib import Path

from brimshade_e2e import DISPLAY, start_shaped
from desktop import Desktop

SOURCE = Path(os.environ["BRIMSHADE_SOURCE_DIR"])
BUILD = Path(os.environ["BRIMSHADE_OWN_PICTURE_BUILD"])
sys.path.insert(0, str(SOURCE / "tools"))
import make_sample_picture  # noqa: E402

# Building the picture tool natively and the program for wine, on first use.
BUILD_TIMEOUT = 300


def embedded_artwork():
    """The program's bitmap resource 101, a BMP without its 14-byte file header."""
    pe = pefile.PE(str(BUILD / "brimshade.exe"))
    bitmaps = next(e for e in pe.DIRECTORY_ENTRY_RESOURCE.entries if e.id == pefile.RESOURCE_TYPE["RT_BITMAP"])
    artwork = next(e for e in bitmaps.directory.entries if e.id == 101)
    data = artwork.directory.entries[0].data.struct
    return pe.get_data(data.OffsetToData, data.Size)


def converted(picture):
    """What the picture tool makes of the picture, as the program embeds it."""
    out = BUILD / "expected.bmp"
    subprocess.run([BUILD / "picture-tool/src/tool/brimshade-picture", "convert", picture, "-o", out],
                   check=True, capture_output=True, timeout=60)
    return out.read_bytes()[14:]


def configure(picture):
    return subprocess.run(
        ["cmake", "-S", SOURCE, "-B", BUILD, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
         "-DCMAKE_TOOLCHAIN_FILE=" + os.environ["BRIMSHADE_TOOLCHAIN"], f"-DBRIMSHADE_ARTWORK={picture}"],
        stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=BUILD_TIMEOUT)


def build():
    return subprocess.run(["cmake", "--build", BUILD, "--target", "brimshade"], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, timeout=BUILD_TIMEOUT)


class OwnPictureTest(unittest.TestCase):
    def test_refused_picture_stops_the_configure_and_the_figure_becomes_the_shape(self):
        BUILD.mkdir(parents=True, exist_ok=True)
        refused = BUILD / "not-a-picture.png"
        refused.write_bytes(b"GIF89a")
        result = configure(refused)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn(f"brimshade-picture: {refused}: not a PNG or BMP file", result.stderr)

        rows = make_sample_picture.pixels()
        picture = BUILD / "sample.png"
        picture.write_bytes(make_sample_picture.png_bytes(rows))
        for step in (configure(picture), build()):
            self.assertEqual(step.returncode, 0, step.stdout + step.stderr)

        desktop = Desktop(DISPLAY)
        self.addCleanup(desktop.close)
        shown = {(x, y) for y, row in enumerate(rows) for x, rgba in enumerate(row) if rgba[3] > 0}
        program, _ = start_shaped(self, desktop, str(BUILD / "brimshade.exe"), rows, shown)
        program.end()
        first = embedded_artwork()
        self.assertEqual(first, converted(picture))

        # A square painted over the background: the next build embeds it, no configure asked for.
        for row in rows[4:20]:
            row[4:20] = [(200, 40, 40, 255)] * 16
        picture.write_bytes(make_sample_picture.png_bytes(rows))
        rebuilt = build()
        self.assertEqual(rebuilt.returncode, 0, rebuilt.stdout + rebuilt.stderr)
        edited = converted(picture)
        self.assertNotEqual(edited, first)
        self.assertEqual(embedded_artwork(), edited)


if __name__ == "__main__":
    unittest.main(verbosity=2)
