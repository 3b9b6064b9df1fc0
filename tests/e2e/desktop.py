"""What a user of an X display sees and does: top-level windows, their shapes,
the colours on screen, the pointer and the keyboard.

Run as a script, it tiles the root window of $DISPLAY with the checker
pattern, so that whatever a shaped window cuts away shows plainly."""

import os
import subprocess
import time

import Xlib.display
import Xlib.error
from Xlib import X
from Xlib.ext import shape

# Two greys that the artwork does not use, in squares of CHECKER_SIZE pixels.
CHECKER_SIZE = 8
CHECKER_LIGHT = (224, 224, 224)
CHECKER_DARK = (160, 160, 160)

# Pauses between input steps: time for wine to see each one before the next.
INPUT_PAUSE = 0.15


def checker_colour(x, y):
    """The background's colour at root position (x, y)."""
    even = (x // CHECKER_SIZE + y // CHECKER_SIZE) % 2 == 0
    return CHECKER_LIGHT if even else CHECKER_DARK


def _pixel(rgb):
    # Xvfb at depth 24 is TrueColor with 8 bits each of red, green and blue.
    r, g, b = rgb
    return r << 16 | g << 8 | b


class Desktop:
    def __init__(self, display_name):
        self.display_name = display_name
        self.display = Xlib.display.Display(display_name)
        self.root = self.display.screen().root
        self._pid_atom = self.display.intern_atom("_NET_WM_PID")

    def close(self):
        self.display.close()

    def _checker_tile(self):
        tile = self.root.create_pixmap(2 * CHECKER_SIZE, 2 * CHECKER_SIZE, self.display.screen().root_depth)
        gc = tile.create_gc(foreground=_pixel(CHECKER_LIGHT))
        tile.fill_rectangle(gc, 0, 0, 2 * CHECKER_SIZE, 2 * CHECKER_SIZE)
        gc.change(foreground=_pixel(CHECKER_DARK))
        tile.fill_rectangle(gc, CHECKER_SIZE, 0, CHECKER_SIZE, CHECKER_SIZE)
        tile.fill_rectangle(gc, 0, CHECKER_SIZE, CHECKER_SIZE, CHECKER_SIZE)
        gc.free()
        return tile

    def set_checker_background(self):
        tile = self._checker_tile()
        # The root keeps its own reference to the tile, so the pattern stays
        # after this connection closes, unless that leaves the server without
        # clients: an X server started without -noreset then resets.
        self.root.change_attributes(background_pixmap=tile)
        self.root.clear_area()
        tile.free()
        self.display.sync()

    def checker_window(self, width, height):
        """A window of this connection's own at (0, 0), showing the checker
        pattern below whatever is mapped after it, that hears the button
        presses that reach it. A compositing manager draws it, where it draws
        the root window's background plain grey."""
        tile = self._checker_tile()
        window = self.root.create_window(0, 0, width, height, 0, self.display.screen().root_depth,
                                         background_pixmap=tile, override_redirect=True,
                                         event_mask=X.ButtonPressMask)
        window.map()
        tile.free()
        self.display.sync()
        return window

    def button_presses(self, window, seconds):
        """The button presses that reached window within the seconds given."""
        deadline, presses = time.monotonic() + seconds, []
        while time.monotonic() < deadline:
            while self.display.pending_events():
                event = self.display.next_event()
                if event.type == X.ButtonPress and event.window == window:
                    presses.append((event.event_x, event.event_y))
            time.sleep(0.05)
        return presses

    def start_compositor(self, deadline):
        """Starts Debian's xcompmgr on the display, which blends windows as
        Windows' desktop does, and returns it once it manages the screen."""
        env = dict(os.environ, DISPLAY=self.display_name)
        compositor = subprocess.Popen(["xcompmgr"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        selection = self.display.intern_atom(f"_NET_WM_CM_S{self.display.get_default_screen()}")
        end = time.monotonic() + deadline
        while self.display.get_selection_owner(selection) == X.NONE:
            if compositor.poll() is not None or time.monotonic() > end:
                compositor.kill()
                raise AssertionError("xcompmgr did not start managing the screen")
            time.sleep(0.05)
        return compositor

    def windows_of(self, pid):
        """The mapped top-level windows of a process, by the pid wine puts on
        each (wine's hidden helper windows are never mapped)."""
        found = []
        for window in self.root.query_tree().children:
            try:
                prop = window.get_full_property(self._pid_atom, X.AnyPropertyType)
                if prop and prop.value[0] == pid and window.get_attributes().map_state == X.IsViewable:
                    found.append(window)
            except Xlib.error.BadWindow:
                pass  # destroyed since the query: not one of the windows sought
        return found

    def frame(self, window):
        """(x, y, width, height) of a window on the screen."""
        geometry = window.get_geometry()
        origin = self.root.translate_coords(window, 0, 0)
        return (origin.x, origin.y, geometry.width, geometry.height)

    def shape_rectangles(self, window):
        """The rectangles of the window's bounding shape, as the X server holds them."""
        return window.shape_get_rectangles(shape.SK.Bounding).rectangles

    def shape_pixels(self, window):
        """The pixels of the window's bounding shape, in window coordinates."""
        pixels = set()
        for r in self.shape_rectangles(window):
            pixels.update((x, y) for y in range(r.y, r.y + r.height) for x in range(r.x, r.x + r.width))
        return pixels

    def screen_colours(self, width, height):
        """(r, g, b) of each pixel of the screen's top-left width x height."""
        data = self.root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF).data
        # 32 bits a pixel, blue first.
        return {(i % width, i // width): (data[4 * i + 2], data[4 * i + 1], data[4 * i])
                for i in range(width * height)}

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display_name)
        subprocess.run(["xdotool", *map(str, args)], env=env, check=True, timeout=10)
        time.sleep(INPUT_PAUSE)

    def drag(self, start, end):
        """Presses the left button at start, moves to end in two steps and
        releases it there."""
        middle = ((start[0] + end[0]) // 2, (start[1] + end[1]) // 2)
        self.xdotool("mousemove", *start)
        self.xdotool("mousedown", 1)
        self.xdotool("mousemove", *middle)
        self.xdotool("mousemove", *end)
        self.xdotool("mouseup", 1)

    def type_keys(self, point, *keys):
        """Presses keys, as a user does, with the pointer resting on point.

        There is no window manager, so the X input focus stays PointerRoot and
        real (XTEST) key events go to the X window under the pointer; wine then
        hands them to its focus window, which the program's window became when
        it was shown, as WM_KEYDOWN. With the pointer elsewhere they would
        reach the root window and never the program. (xdotool key --window
        sends synthetic events, which wine takes too, but no user can.)"""
        self.xdotool("mousemove", *point)
        for key in keys:
            self.xdotool("key", key)


if __name__ == "__main__":
    desktop = Desktop(os.environ["DISPLAY"])
    desktop.set_checker_background()
    desktop.close()
