"""The program that brimshade-picture make --edges=cut wrote around the sample
picture, with this build's program as its template and no compiler, end to end: its
window takes exactly the picture's opaque pixels as its shape, outline
included, moves when dragged, and the program ends on Escape with 0.

The program is the one the Linux tool made; with BRIMSHADE_WINDOWS_TOOL set,
the Windows tool makes it first, under wine, and it must be the same bytes."""

import os
import subprocess
import sys
import unittest
from pathlib import Path

from brimshade_e2e import DISPLAY, SESSION, WINE_ENV, eventually, opaque_mask, start_shaped
from desktop import Desktop

SOURCE = Path(os.environ["BRIMSHADE_SOURCE_DIR"])
sys.path.insert(0, str(SOURCE / "tools"))
import make_sample_picture  # noqa: E402

MADE_PROGRAM = os.environ["BRIMSHADE_MADE_PROGRAM"]
WINDOWS_TOOL = os.environ.get("BRIMSHADE_WINDOWS_TOOL")
DRAG_OFFSET = (50, 30)


def made_by_windows_tool():
    made = SESSION / "made-by-windows-tool.exe"
    made.unlink(missing_ok=True)
    subprocess.run(["wine", WINDOWS_TOOL, "make", SOURCE / "docs" / "sample-picture.png", "--edges=cut", "-o", made],
                   env=WINE_ENV, check=True, capture_output=True, timeout=300)
    return made


class MadeProgramTest(unittest.TestCase):
    def test_shape_drag_and_escape(self):
        rows = make_sample_picture.pixels()
        width, height = len(rows[0]), len(rows)
        made = MADE_PROGRAM
        if WINDOWS_TOOL:
            made = made_by_windows_tool()
            self.assertTrue(made.read_bytes() == Path(MADE_PROGRAM).read_bytes(), "not the Linux tool's program")
        desktop = Desktop(DISPLAY)
        self.addCleanup(desktop.close)
        program, window = start_shaped(self, desktop, made, rows)

        mask = opaque_mask(rows)
        point = min(mask, key=lambda p: ((p[0] - width // 2) ** 2 + (p[1] - height // 2) ** 2, p))
        moved = (point[0] + DRAG_OFFSET[0], point[1] + DRAG_OFFSET[1])
        desktop.drag(point, moved)
        eventually(lambda: self.assertEqual(desktop.frame(window), (*DRAG_OFFSET, width, height)))
        desktop.type_keys(moved, "Escape")
        self.assertEqual(program.exit_code(), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
