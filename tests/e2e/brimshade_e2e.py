"""End-to-end tests of the real program: run under wine64 on the e2e session's
Xvfb display, and judged by what the X server shows and by exit codes.

Run one group by naming its class: brimshade_e2e.py DragTest. The paths come
from the environment that tests/e2e/CMakeLists.txt sets."""

import os
import subprocess
import sys
import time
import unittest
from pathlib import Path

from artwork_file import read_bmp
from desktop import Desktop, checker_colour

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tools"))
import wine_session  # noqa: E402

SESSION = Path(os.environ["BRIMSHADE_E2E_SESSION"])
PROGRAM = os.environ["BRIMSHADE_EXE"]
PROGRAM_WITHOUT_ARTWORK = os.environ["BRIMSHADE_WITHOUT_ARTWORK_EXE"]
ARTWORK = read_bmp(os.environ["BRIMSHADE_ARTWORK"])
SHOWN = ARTWORK.shown_pixels()
DISPLAY = wine_session.display(SESSION)
WINE_ENV = wine_session.environment(SESSION)

# Long enough for wine to have acted on input that must change nothing.
QUIET_WAIT = 1.0
# Bounds every wait for something that should happen. Emulated 32-bit wine
# on a busy machine can take longer than 15 seconds to show a window, so the
# virtual machine's run sets a longer one; a wait that succeeds ends at once.
DEADLINE = float(os.environ.get("BRIMSHADE_E2E_DEADLINE", "15"))


def nearest_to_centre(pixels):
    cx, cy = ARTWORK.width // 2, ARTWORK.height // 2
    return min(pixels, key=lambda p: ((p[0] - cx) ** 2 + (p[1] - cy) ** 2, p))


# Drags start from these, inside the window rectangle. The offset moves x and y
# by different amounts so that swapped axes show.
VISIBLE_POINT = nearest_to_centre(SHOWN)
CUT_AWAY_POINT = nearest_to_centre(ARTWORK.colours.keys() - SHOWN)
DRAG_OFFSET = (60, 40)


def eventually(check):
    """Retries check until it passes or DEADLINE runs out: the program and the
    X server show the effect of a request some time after it."""
    deadline = time.monotonic() + DEADLINE
    while True:
        try:
            return check()
        except AssertionError:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.1)


def describe_difference(name, actual, expected):
    """A short account of where two pixel sets or colour maps disagree."""
    if isinstance(expected, dict):
        wrong = sorted(xy for xy in expected if actual.get(xy) != expected[xy])
        examples = ", ".join(f"{xy}: {actual.get(xy)} not {expected[xy]}" for xy in wrong[:5])
        return f"{name}: {len(wrong)} pixels differ, e.g. {examples}"
    return (f"{name}: {len(actual - expected)} pixels too many, e.g. {sorted(actual - expected)[:5]}; "
            f"{len(expected - actual)} missing, e.g. {sorted(expected - actual)[:5]}")


class Program:
    """One run of a Windows program. wine becomes the Windows process itself, so
    its pid is the one wine puts on the program's X windows and its exit status
    is the program's exit code."""

    def __init__(self, exe):
        # wine may start service processes that outlive this one; they inherit
        # a log file, never ctest's pipes, which ctest would wait on forever.
        self.log = open(SESSION / "e2e-wine.log", "ab")
        self.process = subprocess.Popen(["wine", exe], env=WINE_ENV, stdin=subprocess.DEVNULL,
                                        stdout=self.log, stderr=subprocess.STDOUT)

    def exit_code(self):
        return self.process.wait(timeout=DEADLINE)

    def running(self):
        return self.process.poll() is None

    def end(self):
        if self.running():
            self.process.kill()
            self.process.wait(timeout=DEADLINE)
        self.log.close()


def close_from_outside():
    """Wine's taskkill without /f sends WM_CLOSE to each top-level window of
    every process with that image name: only the test's own, in this prefix."""
    subprocess.run(["wine", "taskkill", "/im", Path(PROGRAM).name], env=WINE_ENV, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True, timeout=DEADLINE)


def start_program(desktop, add_cleanup, exe=PROGRAM):
    """Starts the program (or exe) and returns it with its one window;
    add_cleanup registers killing it in case it has not ended by then."""
    program = Program(exe)
    add_cleanup(program.end)

    def one_window():
        windows = desktop.windows_of(program.process.pid)
        assert len(windows) == 1, f"{len(windows)} windows of the program are mapped"
        return windows[0]
    return program, eventually(one_window)


def opaque_mask(rows):
    """The pixels of rows of (r, g, b, a), top row first, that alpha keeps."""
    return {(x, y) for y, row in enumerate(rows) for x, rgba in enumerate(row) if rgba[3] >= 128}


def start_shaped(test, desktop, exe, rows, mask=None):
    """Starts exe, a program made around the picture rows, and waits until its
    one window is at (0, 0) at the picture's size, shaped as the picture's
    opaque pixels (or the mask given); returns the program and the window."""
    program, window = start_program(desktop, test.addCleanup, exe)
    size = (len(rows[0]), len(rows))
    eventually(lambda: test.assertEqual(desktop.frame(window), (0, 0, *size)))
    mask = mask if mask is not None else opaque_mask(rows)

    def check_shape():
        shape = desktop.shape_pixels(window)
        test.assertTrue(shape == mask, describe_difference("window shape", shape, mask))
    eventually(check_shape)
    return program, window


class ProgramTestCase(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.desktop = Desktop(DISPLAY)
        cls.addClassCleanup(cls.desktop.close)

    def start(self):
        return start_program(self.desktop, self.addCleanup)

    def assert_at(self, window, x, y):
        eventually(lambda: self.assertEqual(self.desktop.frame(window), (x, y, ARTWORK.width, ARTWORK.height)))


class ShownWindowTest(ProgramTestCase):
    """The window as it first appears, over a checker pattern."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.desktop.set_checker_background()
        _, cls.window = start_program(cls.desktop, cls.addClassCleanup)

    def test_window_is_at_origin_with_artwork_size(self):
        self.assert_at(self.window, 0, 0)

    def test_shape_is_exactly_the_artwork_pixels_that_are_not_see_through(self):
        def check():
            shape = self.desktop.shape_pixels(self.window)
            self.assertTrue(shape == SHOWN, describe_difference("window shape", shape, SHOWN))
        eventually(check)

    def test_screen_shows_artwork_inside_shape_and_background_outside(self):
        expected = {xy: ARTWORK.colours[xy] if xy in SHOWN else checker_colour(*xy) for xy in ARTWORK.colours}

        def check():
            screen = self.desktop.screen_colours(ARTWORK.width, ARTWORK.height)
            self.assertTrue(screen == expected, describe_difference("screen", screen, expected))
        eventually(check)


class DragTest(ProgramTestCase):
    def test_only_a_drag_from_a_visible_pixel_moves_the_window(self):
        _, window = self.start()
        self.assert_at(window, 0, 0)
        dx, dy = DRAG_OFFSET

        # The press lands on the root window through the cut-away pixel.
        self.desktop.drag(CUT_AWAY_POINT, (CUT_AWAY_POINT[0] + dx, CUT_AWAY_POINT[1] + dy))
        time.sleep(QUIET_WAIT)
        self.assert_at(window, 0, 0)

        self.desktop.drag(VISIBLE_POINT, (VISIBLE_POINT[0] + dx, VISIBLE_POINT[1] + dy))
        self.assert_at(window, dx, dy)


class KeyboardAndCloseTest(ProgramTestCase):
    def test_other_keys_leave_it_running_and_escape_ends_it_with_0(self):
        program, window = self.start()
        self.desktop.type_keys(VISIBLE_POINT, "a", "space", "Return", "Down")
        time.sleep(QUIET_WAIT)
        self.assertTrue(program.running(), "a key other than Escape ended the program")
        self.assert_at(window, 0, 0)

        # The same way in, so the keys above did reach the window.
        self.desktop.type_keys(VISIBLE_POINT, "Escape")
        self.assertEqual(program.exit_code(), 0)

    def test_close_from_outside_ends_it_with_0(self):
        program, _ = self.start()
        close_from_outside()
        self.assertEqual(program.exit_code(), 0)


class TwoCopiesTest(ProgramTestCase):
    def test_each_copy_has_its_own_window_at_origin(self):
        first, first_window = self.start()
        second, second_window = self.start()
        self.assertNotEqual(first_window.id, second_window.id)
        self.assert_at(first_window, 0, 0)
        self.assert_at(second_window, 0, 0)
        self.assertTrue(first.running() and second.running())

        close_from_outside()
        self.assertEqual((first.exit_code(), second.exit_code()), (0, 0))


class MissingArtworkTest(unittest.TestCase):
    def test_without_its_artwork_it_exits_with_minus_1(self):
        program = Program(PROGRAM_WITHOUT_ARTWORK)
        self.addCleanup(program.end)
        # WinMain's -1 becomes the Windows exit code 0xFFFFFFFF; wine ends the
        # Unix process with it, and a Unix exit status keeps only the low 8
        # bits: 255.
        self.assertEqual(program.exit_code(), 255)


if __name__ == "__main__":
    unittest.main(verbosity=2)
