#!/usr/bin/python3
"""Runs the wine benchmarks that BENCHMARKS.md reports, on a wine prefix and an
Xvfb display of their own, and prints their figures as Markdown:

1. conversion_bench: the bitmap-to-region conversion, whole and step by step,
   on pictures of growing size and rectangle count, and ExtCreateRegion alone
   by the number of rectangles in one request;
2. start-up: from launching brimshade.exe until its shaped 489x317 window at
   (0, 0) is mapped, beside the same for plain_window.exe, which opens a plain
   window of that size and place; both are timed in turns in the same run,
   with the wine session already up, and killed once their window is seen;
3. the same for the programs make writes around the sample picture with soft
   edges and with cut ones (made with the build's native picture tool).

Usage (Debian's interpreter, which python3-xlib is installed for; build the
win64 preset first):
    /usr/bin/python3 bench/wine/run_wine_benchmarks.py [--build build/win64]
        [--repetitions 7] [--starts 11]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time
from pathlib import Path

import Xlib.display
import Xlib.error
from Xlib import X
from Xlib.ext import shape  # noqa: F401  (adds the shape requests to windows)

SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "tools"))
import wine_session  # noqa: E402
ARTWORK_SIZE = (489, 317)
SAMPLE_SIZE = (180, 150)
# Bounds the wait for one window; a warm wine shows one in well under a second.
WINDOW_DEADLINE = 30.0
POLL_INTERVAL = 0.002
PROCESS_EXIT_TIMEOUT = 10.0
CONVERSION_TIMEOUT = 1800


def session_script(action, session):
    subprocess.run([SOURCE / "tools" / "wine-session.sh", action, session], check=True, timeout=400,
                   stdin=subprocess.DEVNULL)


def run_conversion_bench(build, session, repetitions):
    result = subprocess.run(["wine", str(build / "bench" / "wine" / "conversion_bench.exe"), str(repetitions)],
                            env=wine_session.environment(session), stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=CONVERSION_TIMEOUT, check=True)
    return result.stdout


class Screen:
    def __init__(self, display_name):
        self.display = Xlib.display.Display(display_name)
        self.root = self.display.screen().root
        self.pid_atom = self.display.intern_atom("_NET_WM_PID")

    def mapped_window(self, pid, size):
        """The viewable top-level window of process pid at (0, 0) with the
        size given, or None."""
        for window in self.root.query_tree().children:
            try:
                prop = window.get_full_property(self.pid_atom, X.AnyPropertyType)
                if not prop or prop.value[0] != pid or window.get_attributes().map_state != X.IsViewable:
                    continue
                geometry = window.get_geometry()
                origin = self.root.translate_coords(window, 0, 0)
                if (origin.x, origin.y, geometry.width, geometry.height) == (0, 0, *size):
                    return window
            except Xlib.error.BadWindow:
                pass  # gone since the query: a window of a process that ended
        return None

    def is_shaped(self, window):
        return bool(window.shape_query_extents().bounding_shaped)


def time_start(screen, exe, size, environment):
    """Seconds from launching exe until its window is mapped, and whether the
    window had a shape when it was first seen."""
    start = time.monotonic()
    process = subprocess.Popen(["wine", str(exe)], env=environment, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        while time.monotonic() - start < WINDOW_DEADLINE:
            window = screen.mapped_window(process.pid, size)
            if window is not None:
                return time.monotonic() - start, screen.is_shaped(window)
            time.sleep(POLL_INTERVAL)
        raise RuntimeError(f"{exe.name} showed no window within {WINDOW_DEADLINE} s")
    finally:
        process.kill()
        process.wait(timeout=PROCESS_EXIT_TIMEOUT)


def time_starts(session, programs, starts):
    """Times the programs, {name: (exe, window size)}, in turns."""
    environment = wine_session.environment(session)
    screen = Screen(environment["DISPLAY"])
    times = {name: [] for name in programs}
    shaped = {name: set() for name in programs}
    # One start of each first, not counted: it loads wine's DLLs into the
    # page cache and brings up the display driver's side of the session.
    for round_number in range(starts + 1):
        order = list(programs) if round_number % 2 else list(reversed(programs))
        for name in order:
            seconds, has_shape = time_start(screen, *programs[name], environment)
            if round_number > 0:
                times[name].append(seconds)
                shaped[name].add(has_shape)
    screen.display.close()

    lines = [f"Start to mapped window, {starts} starts each, in turns, wine session already running; milliseconds.",
             "",
             "| program | median | fastest | slowest | shaped when first mapped |",
             "|---|--:|--:|--:|---|"]
    for name, values in times.items():
        ms = [1000 * v for v in values]
        lines.append(f"| {name} | {statistics.median(ms):.0f} | {min(ms):.0f} | {max(ms):.0f} | "
                     f"{'/'.join('yes' if s else 'no' for s in sorted(shaped[name], reverse=True))} |")
    first, second = programs
    lines += ["", f"Ratio of the medians, {first} / {second}: "
              f"{statistics.median(times[first]) / statistics.median(times[second]):.3f}; difference "
              f"{1000 * (statistics.median(times[first]) - statistics.median(times[second])):.0f} ms."]
    return "\n".join(lines)


def made_sample_programs(build, session):
    """The programs make writes around the sample picture, soft edges and cut."""
    tool = build / "picture-tool" / "src" / "tool" / "brimshade-picture"
    made = {}
    for edges in ("soft", "cut"):
        made[f"sample, {edges} edges"] = (session / f"sample-{edges}.exe", SAMPLE_SIZE)
        subprocess.run([tool, "make", SOURCE / "docs" / "sample-picture.png", f"--edges={edges}", "-o",
                        made[f"sample, {edges} edges"][0], "--template", build / "brimshade.exe"],
                       check=True, capture_output=True, timeout=60)
    return made


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", type=Path, default=SOURCE / "build" / "win64")
    parser.add_argument("--repetitions", type=int, default=7, help="repetitions of each conversion benchmark")
    parser.add_argument("--starts", type=int, default=11, help="timed starts of each program")
    args = parser.parse_args()
    build = args.build.resolve()
    session = build / "wine-bench-session"

    session_script("start", session)
    try:
        version = subprocess.run(["wine", "--version"], capture_output=True, text=True, timeout=30).stdout.strip()
        print(f"{version}, {os.cpu_count()} cores\n")
        print("### Conversion\n")
        print(run_conversion_bench(build, session, args.repetitions))
        print("### Start-up\n")
        print(time_starts(session, {"brimshade.exe": (build / "brimshade.exe", ARTWORK_SIZE),
                                    "plain_window.exe": (build / "bench" / "wine" / "plain_window.exe",
                                                         ARTWORK_SIZE)}, args.starts))
        print("\n### Start-up with soft edges\n")
        print(time_starts(session, made_sample_programs(build, session), args.starts))
    finally:
        session_script("stop", session)
    return 0


if __name__ == "__main__":
    sys.exit(main())
