#!/usr/bin/python3
"""Times the web page in headless Chromium beside the native picture tool, both
built from the same sources: how long the page takes, opened from disk in a
new browser profile, to be ready for a picture; and, for the host benchmark's
three 3840 x 2160 PNGs, from the moment the page is given the picture to the
moment it offers the program for download, beside the native tool's make of
the same file as a process (writing its program), in turns. Every program the
page makes must be make's, byte for byte. Prints Markdown tables of the
fastest and the median, and their ratios.

Usage (Debian's interpreter, which python3-selenium is installed for; build
the bench and web presets first):
    /usr/bin/python3 bench/web/page_benchmark.py [--bench-build build/bench] [--web-build build/web] [--runs 7]
"""

import argparse
import base64
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from selenium.webdriver.common.by import By

SOURCE = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(SOURCE / "tools"))
import chromium  # noqa: E402
PICTURES = ("tiled artwork, RGB, 8-bit bitmap", "figure, RGBA, 24-bit bitmap", "figure, 16-bit RGBA interlaced")
DEADLINE = 120


def browser(profile):
    driver = chromium.start(profile, "1200,1000")
    driver.set_script_timeout(DEADLINE)
    return driver


def wait_for(driver, script):
    deadline = time.monotonic() + DEADLINE
    while not driver.execute_script(script):
        if time.monotonic() > deadline:
            raise SystemExit(f"the page did not get there: {script}")
        time.sleep(0.01)


def mark(driver, name):
    return driver.execute_script(f"return performance.getEntriesByName('{name}').pop().startTime")


def page_make(driver, picture):
    """Milliseconds from giving the page the picture to its offering the program,
    and the program it offers."""
    driver.execute_script("performance.clearMarks()")
    driver.find_element(By.ID, "picture").send_keys(str(picture))
    wait_for(driver, "return document.documentElement.dataset.done")
    elapsed = mark(driver, "brimshade-program-offered") - mark(driver, "brimshade-picture-taken")
    program = driver.execute_async_script("""
        const done = arguments[0];
        fetch(document.getElementById("download-program").href).then((r) => r.arrayBuffer()).then((bytes) => {
            let text = "";
            for (const byte of new Uint8Array(bytes)) text += String.fromCharCode(byte);
            done(btoa(text));
        });""")
    return elapsed, base64.b64decode(program)


def native_make(tool, picture, template, out):
    start = time.perf_counter()
    subprocess.run([tool, "make", picture, "-o", out, "--template", template], check=True, capture_output=True)
    return 1e3 * (time.perf_counter() - start), out.read_bytes()


def cells(times):
    return f"{min(times):.0f} / {statistics.median(times):.0f} ms"


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench-build", type=Path, default=SOURCE / "build" / "bench")
    parser.add_argument("--web-build", type=Path, default=SOURCE / "build" / "web")
    parser.add_argument("--runs", type=int, default=7)
    args = parser.parse_args()
    page = (args.web_build / "page" / "index.html").resolve()
    tool = args.bench_build / "src" / "tool" / "brimshade-picture"
    template = SOURCE / "build" / "win32" / "brimshade.exe"
    work = Path(tempfile.mkdtemp(prefix="brimshade-page-bench-"))
    pictures = subprocess.run([args.bench_build / "bench" / "host" / "picture_benchmark", "--write-pictures"],
                              env=dict(os.environ, TMPDIR=str(work)), check=True, capture_output=True,
                              text=True).stdout.split()

    ready = []
    for run in range(args.runs):
        driver = browser(work / f"profile-{run}")
        driver.get(page.as_uri())
        wait_for(driver, "return document.documentElement.dataset.ready")
        ready.append(mark(driver, "brimshade-ready"))
        if run < args.runs - 1:
            driver.quit()
    print("| page opened from disk, new profile | fastest / median |")
    print("|---|--:|")
    print(f"| until ready for a picture | {cells(ready)} |")
    print()

    print("| picture | native make, fastest / median | page, fastest / median | page / native |")
    print("|---|--:|--:|--:|")
    for name, picture in zip(PICTURES, pictures):
        native, offered = [], []
        for run in range(args.runs + 1):  # the first round warms the caches and is not counted
            elapsed, made = native_make(tool, picture, template, work / "made.exe")
            taken, program = page_make(driver, picture)
            if program != made:
                raise SystemExit(f"{picture}: the page's program is not make's")
            if run:
                native.append(elapsed)
                offered.append(taken)
        ratio = statistics.median(offered) / statistics.median(native)
        print(f"| {name} | {cells(native)} | {cells(offered)} | {ratio:.2f} |")
    driver.quit()
    subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
