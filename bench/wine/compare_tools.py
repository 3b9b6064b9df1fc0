#!/usr/bin/python3
"""Times brimshade-picture make of the host benchmark's three 3840 x 2160 PNGs
by the Linux tool and by the Windows tool under wine64, both built from the
same sources, side by side: the two in turns, each a process of its own
writing its program to the same directory, on a wine prefix and an Xvfb
display of their own with the wine server already up. Every program made
must be the same bytes from both. Prints a Markdown table of the fastest and
the median wall-clock and process CPU times (the process's own user and
system time; wine's server is a process of its own and not counted) and
their ratios, Windows over Linux.

Usage (build the bench and win64 presets first):
    bench/wine/compare_tools.py [--bench-build build/bench] [--windows-build build/win64] [--runs 15]
"""

import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "tools"))
import wine_session  # noqa: E402

PICTURES = ("tiled artwork, RGB, 8-bit bitmap", "figure, RGBA, 24-bit bitmap", "figure, 16-bit RGBA interlaced")


def timed(command, env, out):
    """Wall-clock and CPU seconds of one run, and the program it made."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, env=env, check=True, capture_output=True, timeout=600)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime
    made = out.read_bytes()
    out.unlink()
    return wall, cpu, made


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench-build", type=Path, default=SOURCE / "build" / "bench")
    parser.add_argument("--windows-build", type=Path, default=SOURCE / "build" / "win64")
    parser.add_argument("--runs", type=int, default=15)
    args = parser.parse_args()
    linux_tool = args.bench_build / "src" / "tool" / "brimshade-picture"
    windows_tool = args.windows_build / "brimshade-picture.exe"
    template = args.windows_build / "brimshade.exe"
    session = args.windows_build / "wine-bench-session"
    work = Path(tempfile.mkdtemp(prefix="brimshade-compare-"))
    pictures = subprocess.run([args.bench_build / "bench" / "host" / "picture_benchmark", "--write-pictures"],
                              env=dict(os.environ, TMPDIR=str(work)), check=True, capture_output=True,
                              text=True).stdout.split()
    out = work / "made.exe"
    subprocess.run([SOURCE / "tools" / "wine-session.sh", "start", session], check=True, timeout=400,
                   stdin=subprocess.DEVNULL)
    try:
        wine_env = wine_session.environment(session)
        tools = {"Linux": ([linux_tool], dict(os.environ)), "Windows": (["wine", windows_tool], wine_env)}
        print("| picture | time | Linux fastest / median | Windows fastest / median | Windows / Linux |")
        print("|---|---|--:|--:|--:|")
        for name, picture in zip(PICTURES, pictures):
            times = {tool: [] for tool in tools}
            made = {}
            for run in range(args.runs + 1):  # the first round warms the caches and is not counted
                for tool, (command, env) in tools.items():
                    wall, cpu, made[tool] = timed(command + ["make", picture, "-o", out, "--template", template],
                                                  env, out)
                    if run:
                        times[tool].append((wall, cpu))
                if made["Linux"] != made["Windows"]:
                    sys.exit(f"{picture}: the two tools made different programs")
            for column, what in ((0, "wall clock"), (1, "process CPU")):
                figures = {tool: sorted(t[column] for t in times[tool]) for tool in tools}
                cells = [f"{1e3 * f[0]:.0f} / {1e3 * statistics.median(f):.0f} ms" for f in figures.values()]
                ratio = statistics.median(figures["Windows"]) / statistics.median(figures["Linux"])
                print(f"| {name} | {what} | {cells[0]} | {cells[1]} | {ratio:.2f} |")
    finally:
        subprocess.run([SOURCE / "tools" / "wine-session.sh", "stop", session], timeout=60)
        subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
