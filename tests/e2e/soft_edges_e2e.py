"""Programs that brimshade-picture make wrote around a picture with
transparency, with this build's program as the template: soft edges, each
pixel blended with what lies below by its own alpha.

On a compositing desktop (Debian's xcompmgr, with which wine blends a
layered window's pixels as Windows does), the screen shows the picture
blended over the desktop below it; a click on a fully transparent pixel
reaches the window below; a drag from a partly transparent one moves the
window; Escape ends it with 0. Without a compositor the fully transparent
pixels are cut away. Made with --on-top, the window stays above a window
raised after it.

The paths come from the environment that tests/e2e/CMakeLists.txt sets."""

import os
import subprocess
import time
import unittest

from brimshade_e2e import DEADLINE, DISPLAY, QUIET_WAIT, WINE_ENV, describe_difference, eventually, start_program
from desktop import Desktop, checker_colour
import soft_picture

SOFT_PROGRAM = os.environ["BRIMSHADE_SOFT_PROGRAM"]
SOFT_ON_TOP_PROGRAM = os.environ["BRIMSHADE_SOFT_ON_TOP_PROGRAM"]
RAISE_WINDOW = os.environ["BRIMSHADE_RAISE_WINDOW"]
ROWS = soft_picture.pixels()
SIZE = (soft_picture.WIDTH, soft_picture.HEIGHT)
PIXELS = {(x, y): rgba for y, row in enumerate(ROWS) for x, rgba in enumerate(row)}
# A screen may round a blend differently from this test by a level or two.
TOLERANCE = 2
DRAG_OFFSET = (40, 30)


def blended(rgba, below):
    """What a compositor shows of a pixel over the colour below it: the
    program's premultiplied colour plus what its alpha leaves of the one below."""
    *rgb, alpha = rgba
    return tuple((c * alpha + 127) // 255 + (b * (255 - alpha) + 127) // 255 for c, b in zip(rgb, below))


def point_where(alpha_test):
    """The first pixel, row by row, whose alpha passes the test."""
    return next(xy for xy, rgba in PIXELS.items() if alpha_test(rgba[3]))


class SoftEdgesTestCase(unittest.TestCase):
    def setUp(self):
        self.desktop = Desktop(DISPLAY)
        self.addCleanup(self.desktop.close)
        # Below the program, the same pattern as the preview's.
        self.backdrop = self.desktop.checker_window(2 * SIZE[0], 2 * SIZE[1])

    def start(self, exe=SOFT_PROGRAM):
        program, window = start_program(self.desktop, self.addCleanup, exe)
        eventually(lambda: self.assertEqual(self.desktop.frame(window), (0, 0, *SIZE)))
        return program, window


class CompositedTest(SoftEdgesTestCase):
    def setUp(self):
        super().setUp()
        compositor = self.desktop.start_compositor(DEADLINE)
        self.addCleanup(compositor.wait, DEADLINE)
        self.addCleanup(compositor.kill)

    def test_blended_over_the_desktop_clicks_through_transparency_drags_and_ends_on_escape(self):
        program, window = self.start()
        expected = {xy: blended(rgba, checker_colour(*xy)) for xy, rgba in PIXELS.items()}

        def check_screen():
            screen = self.desktop.screen_colours(*SIZE)
            off = {xy: screen[xy] for xy in expected
                   if max(abs(a - b) for a, b in zip(screen[xy], expected[xy])) > TOLERANCE}
            kinds = {kind: sum(1 for xy in off if test(PIXELS[xy][3])) for kind, test in
                     (("opaque", lambda a: a == 255), ("partly transparent", lambda a: 0 < a < 255),
                      ("fully transparent", lambda a: a == 0))}
            self.assertFalse(off, f"{kinds}; " + describe_difference("screen", off, {xy: expected[xy] for xy in off}))
        eventually(check_screen)

        hole = soft_picture.HOLE[0]
        self.assertEqual(PIXELS[hole][3], 0)
        self.desktop.xdotool("mousemove", *hole)
        self.desktop.xdotool("click", 1)
        self.assertEqual(self.desktop.button_presses(self.backdrop, QUIET_WAIT), [hole],
                         "a click on a fully transparent pixel did not reach the window below")
        self.assertEqual(self.desktop.frame(window), (0, 0, *SIZE))

        half = point_where(lambda alpha: 120 <= alpha <= 136)
        moved = (half[0] + DRAG_OFFSET[0], half[1] + DRAG_OFFSET[1])
        self.desktop.drag(half, moved)
        eventually(lambda: self.assertEqual(self.desktop.frame(window), (*DRAG_OFFSET, *SIZE)))
        self.desktop.type_keys(moved, "Escape")
        self.assertEqual(program.exit_code(), 0)


class WithoutCompositorTest(SoftEdgesTestCase):
    def test_fully_transparent_pixels_are_cut_away(self):
        _, window = self.start()
        mask = {xy for xy, rgba in PIXELS.items() if rgba[3] > 0}

        def check_shape():
            shape = self.desktop.shape_pixels(window)
            self.assertTrue(shape == mask, describe_difference("window shape", shape, mask))
        eventually(check_shape)


class OnTopTest(SoftEdgesTestCase):
    def test_a_window_kept_on_top_stays_above_one_raised_after_it(self):
        # Where both windows lie: an opaque pixel of the card.
        opaque = point_where(lambda alpha: alpha == 255)
        for exe, on_top in ((SOFT_ON_TOP_PROGRAM, "BRIMSHADE"), (SOFT_PROGRAM, "RAISED")):
            with self.subTest(exe):
                program, _ = self.start(exe)
                # Shown and activated: a window raised now comes after it.
                time.sleep(QUIET_WAIT)
                run = subprocess.run(["wine", RAISE_WINDOW, *map(str, opaque)], env=WINE_ENV, capture_output=True,
                                     text=True, timeout=DEADLINE)
                self.assertEqual((run.returncode, run.stdout), (0, f"{on_top}\n"), run.stderr)
                program.end()


if __name__ == "__main__":
    unittest.main(verbosity=2)
