"""The web page in a real browser, headless Chromium driven by Selenium, opened
from disk as a person opens it from the release: for a handful of pictures
(the sample, an interlaced 16-bit PNG with gamma, an RLE8 BMP, one above
Wine's shape limit, a broken file), the figures it shows are the native
tool's inspect --json, the .exe and .bmp it offers download as the native
tool's make and convert write them, its preview has the pixels of preview's
image, and a refusal shows the tool's message and nothing to download, a
file larger than the tool reads included. The page makes no network
request. Served by a plain web server, it works too. A worker out of memory
is replaced whichever picture it was on, and a browser that cannot run the
page is told so. A screenshot of the page with the sample picture is saved
beside the test's output (page.png).

The paths come from the environment that tests/web/CMakeLists.txt sets."""

import base64
import functools
import http.server
import json
import os
import shutil
import struct
import subprocess
import sys
import threading
import time
import unittest
import zlib
from pathlib import Path
from urllib.parse import urlparse

from selenium.webdriver.common.by import By
from selenium.webdriver.support.select import Select

SOURCE = Path(os.environ["BRIMSHADE_SOURCE_DIR"])
PAGE = Path(os.environ["BRIMSHADE_PAGE"])
TOOL = os.environ["BRIMSHADE_LINUX_TOOL"]
TEMPLATE = os.environ["BRIMSHADE_TEMPLATE"]
WORK = Path(os.environ["BRIMSHADE_WORK_DIR"]).resolve()
sys.path.insert(0, str(SOURCE / "tests" / "fuzz"))
sys.path.insert(0, str(SOURCE / "tools"))
import chromium  # noqa: E402
from make_picture_corpus import bmp, chunk, gama_chunk, png  # noqa: E402

# Bounds every wait: the largest picture here takes well under a second.
DEADLINE = 60


def checkerboard_png(width, height):
    """One-pixel squares: no two rows have the same runs, so every run is a
    rectangle of the region as the platform holds it."""
    raw = b"".join(b"\0" + bytes(200 * ((x + y) % 2) for x in range(width)) for y in range(height))
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 0, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


PICTURES = {
    "sample-picture.png": (SOURCE / "docs" / "sample-picture.png").read_bytes(),
    "interlaced 16-bit gamma.png": png(6, 16, 1, gama_chunk(100000), size=(61, 37)),
    "rle8.bmp": bmp(40, 8, 1, colours_used=16, rows=bytes([2, 3, 0, 3, 1, 2, 4, 0, 0, 0, 0, 2, 1, 1, 2, 5, 0, 1])),
    "over the shape limit.png": checkerboard_png(400, 200),
    "broken.png": png(2, 8, size=(37, 23))[:70],
}


def wait_for(check):
    deadline = time.monotonic() + DEADLINE
    while not (value := check()):
        if time.monotonic() > deadline:
            raise AssertionError(f"the page did not get there within {DEADLINE} seconds")
        time.sleep(0.05)
    return value


def native(*args):
    """The native tool's exit status, output and error, run where the pictures
    are, with the same names as the page is given."""
    run = subprocess.run([TOOL, *args], cwd=WORK / "pictures", capture_output=True, timeout=DEADLINE)
    return run.returncode, run.stdout, run.stderr.decode()


def shown_figures(f):
    """What the page shows for inspect --json's figures, in its words."""
    colours = [f"converted to sRGB from the file's gamma {f['file_gamma']:.5f}" if f["gamma_converted"]
               else "as the file has them"]
    if f["alpha_unused"]:
        colours.append("alpha 0 throughout, so unused: the picture is opaque")
    box = f["region_box"]
    batches = len(f["batches"])
    return {
        "format": f["format"],
        "size": f"{f['width']} x {f['height']}",
        "shape": "transparency" if f["has_transparency"] else "near-black colours",
        "edges": "soft, each pixel blended with what lies below by its alpha" if f["edges"] == "soft"
        else "cut to the shape",
        "gamma": "; ".join(colours),
        "see-through": f"{f['see_through_pixels']} of {f['width'] * f['height']} ({f['see_through_percent']:.2f} %)",
        "partly": str(f["partly_transparent_pixels"]) if f["has_transparency"]
        else "none: the picture has no transparency",
        "raised": "none: the picture has no transparency" if not f["has_transparency"]
        else "none: soft edges keep the picture's own colours" if f["edges"] == "soft"
        else f"{f['raised_pixels']} opaque near-black pixels raised to 17, 17, 17",
        "rectangles": f"{f['rectangles']} in {batches} {'batch' if batches == 1 else 'batches'}",
        "banded": str(f["banded_rectangles"]),
        "region": f"box ({box[0]}, {box[1]})-({box[2]}, {box[3]})" if box else "empty",
    }


def rgb_of_png(path):
    """The red, green and blue bytes of an 8-bit RGB PNG, as ImageMagick reads them."""
    return subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        (WORK / "pictures").mkdir(parents=True)
        for name, data in PICTURES.items():
            (WORK / "pictures" / name).write_bytes(data)
        cls.browser = chromium.start(WORK / "profile", "1100,1200", logs=("performance",))
        cls.browser.set_script_timeout(DEADLINE)
        cls.downloads = WORK / "downloads"
        cls.downloads.mkdir()
        cls.browser.execute_cdp_cmd("Browser.setDownloadBehavior",
                                    {"behavior": "allow", "downloadPath": str(cls.downloads)})
        cls.browser.get_log("performance")  # the browser's own start page, not ours
        cls.browser.get(PAGE.as_uri())
        wait_for(lambda: cls.browser.execute_script("return document.documentElement.dataset.ready"))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()

    def give(self, name):
        """Gives the page the picture with its keyboard-operable file button."""
        self.browser.find_element(By.ID, "picture").send_keys(str(WORK / "pictures" / name))
        wait_for(lambda: self.browser.execute_script("return document.documentElement.dataset.done"))

    def text(self, element_id):
        return self.browser.find_element(By.ID, element_id).get_attribute("textContent")

    def download(self, link_id, name):
        for stale in self.downloads.iterdir():
            stale.unlink()
        self.browser.find_element(By.ID, link_id).click()
        path = self.downloads / name
        wait_for(lambda: path.exists() and not any(self.downloads.glob("*.crdownload")))
        return path.read_bytes()

    def canvas_rgb(self):
        pixels = self.browser.execute_script("""
            const canvas = document.getElementById("preview");
            const rgba = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
            let text = "";
            for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
            return btoa(text);""")
        return base64.b64decode(pixels)

    def test_each_picture_as_the_tool_makes_it(self):
        for name in PICTURES:
            with self.subTest(name):
                self.give(name)
                stem = name.rsplit(".", 1)[0]
                status, inspection, error = native("inspect", "--json", name)
                if status:
                    self.assertEqual(self.text("refusal"), error.rstrip("\n"))
                    self.assertFalse(self.browser.find_element(By.ID, "result").is_displayed())
                    links = [a for a in self.browser.find_elements(By.CSS_SELECTOR, "a[download]") if a.is_displayed()]
                    self.assertEqual(links, [], "a refused picture offers a download")
                    continue
                figures = json.loads(inspection)
                for field, expected in shown_figures(figures).items():
                    shown = self.browser.find_element(By.CSS_SELECTOR, f'[data-figure="{field}"]')
                    self.assertEqual(shown.get_attribute("textContent"), expected, field)
                warnings = [w.get_attribute("textContent") for w in
                            self.browser.find_elements(By.CSS_SELECTOR, "#warnings li")]
                self.assertEqual(warnings, [f"Warning: {w}" for w in figures["warnings"]])

                self.assertEqual(native("make", name, "-o", WORK / "made.exe", "--template", TEMPLATE)[0], 0)
                self.assertEqual(native("convert", name, "-o", WORK / "made.bmp")[0], 0)
                self.assertEqual(native("preview", name, "-o", WORK / "made.png")[0], 0)
                self.assertTrue(self.download("download-program", f"{stem}.exe") == (WORK / "made.exe").read_bytes(),
                                f"{stem}.exe is not make's program")
                self.assertTrue(self.download("download-bitmap", f"{stem}.bmp") == (WORK / "made.bmp").read_bytes(),
                                f"{stem}.bmp is not convert's bitmap")
                self.assertTrue(self.canvas_rgb() == rgb_of_png(WORK / "made.png"), "the preview is not preview's")
                if name == "sample-picture.png":
                    self.browser.save_screenshot(str(WORK.parent / "page.png"))

    def test_cut_edges_and_on_top_on_request_as_make_gives_them(self):
        edges, on_top = Select(self.browser.find_element(By.ID, "edges")), self.browser.find_element(By.ID, "on-top")
        edges.select_by_value("cut")
        on_top.click()
        try:
            self.give("sample-picture.png")
            self.assertEqual(self.browser.find_element(By.CSS_SELECTOR, '[data-figure="edges"]')
                             .get_attribute("textContent"), "cut to the shape")
            self.assertEqual(native("make", "sample-picture.png", "--edges=cut", "--on-top", "-o", WORK / "made.exe",
                                    "--template", TEMPLATE)[0], 0)
            self.assertTrue(self.download("download-program", "sample-picture.exe") == (WORK / "made.exe").read_bytes(),
                            "not make --edges=cut --on-top's program")
        finally:
            edges.select_by_value("")
            on_top.click()

    def test_reflows_on_a_phone_and_at_200_percent_zoom_fitting_the_preview(self):
        self.give("over the shape limit.png")  # 400 pixels wide
        preview, toggle = (self.browser.find_element(By.ID, name) for name in ("preview", "actual-size"))
        # A phone's width, and a desktop window of 1200 pixels zoomed to 200 %.
        for width in (360, 600):
            self.browser.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                                         {"width": width, "height": 800, "deviceScaleFactor": 2, "mobile": False})
            try:
                sideways = "return document.documentElement.scrollWidth - window.innerWidth"
                self.assertLessEqual(self.browser.execute_script(sideways), 0, f"scrolls sideways at {width}")
                # At 360 the preview is fitted to the page, and may be shown
                # at its actual size, in a frame that scrolls.
                fits = width == 600
                self.assertEqual((preview.size["width"] == 400, toggle.is_displayed()), (fits, not fits), width)
                if not fits:
                    toggle.click()
                    self.assertEqual((preview.size["width"], toggle.get_attribute("aria-pressed")), (400, "true"))
                    self.assertLessEqual(self.browser.execute_script(sideways), 0, "the frame scrolls, not the page")
                    toggle.click()
            finally:
                self.browser.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})

    def test_the_page_makes_no_network_request(self):
        # Since the page was opened: its files, its worker, its downloads.
        self.give("sample-picture.png")
        requested = []
        for entry in self.browser.get_log("performance"):
            message = json.loads(entry["message"])["message"]
            if message["method"] == "Network.requestWillBeSent":
                requested.append(message["params"]["request"]["url"])
        self.assertTrue(requested, "the log shows no request at all, not even the page's own")
        self.assertEqual([url for url in requested if urlparse(url).scheme not in ("file", "blob", "data")], [])


    def test_a_file_larger_than_the_tool_reads_is_refused_unread(self):
        # Three gigabytes, taking no room on the disk.
        with open(WORK / "pictures" / "huge.png", "wb") as huge:
            huge.truncate(3 << 30)
        self.give("huge.png")
        self.assertEqual(self.text("refusal"), native("inspect", "huge.png")[2].rstrip("\n"))
        self.assertEqual([a for a in self.browser.find_elements(By.CSS_SELECTOR, "a[download]") if a.is_displayed()],
                         [])


def serve_page(test, policy=None):
    """The page's address on a web server that only hands out its files,
    with the content security policy given."""
    class Handler(http.server.SimpleHTTPRequestHandler):
        def end_headers(self):
            if policy:
                self.send_header("Content-Security-Policy", policy)
            super().end_headers()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Handler, directory=str(PAGE.parent)))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    test.addCleanup(server.server_close)
    test.addCleanup(server.shutdown)
    return f"http://127.0.0.1:{server.server_port}/index.html"


def open_page(test, profile, address, arguments=()):
    browser = chromium.start(WORK / profile, "1100,1200", arguments=arguments)
    test.addCleanup(browser.quit)
    browser.get(address)
    return browser


class StaticHostTest(unittest.TestCase):
    """The same page from a web server that only hands out its files."""

    def test_served_page_makes_the_program(self):
        browser = open_page(self, "served-profile", serve_page(self))
        wait_for(lambda: browser.execute_script("return document.documentElement.dataset.ready"))
        browser.find_element(By.ID, "picture").send_keys(str(SOURCE / "docs" / "sample-picture.png"))
        wait_for(lambda: browser.execute_script("return document.documentElement.dataset.done"))
        self.assertEqual(browser.find_element(By.ID, "download-program").get_attribute("download"),
                         "sample-picture.exe")


class CannotRunTest(unittest.TestCase):
    """A browser that cannot run the page is told so, and why: one without
    WebAssembly (JavaScript without its compiler, as locked-down browsers
    run it), and a page whose content security policy forbids WebAssembly."""

    def test_without_webassembly_or_where_a_policy_forbids_it(self):
        cases = {"without": (PAGE.as_uri(), ["--js-flags=--jitless"], "it has no WebAssembly"),
                 "policy": (serve_page(self, "script-src 'self' blob:"), [],
                            "it did not let the page start its WebAssembly")}
        for name, (address, arguments, why) in cases.items():
            with self.subTest(name):
                browser = open_page(self, f"{name}-profile", address, arguments)
                wait_for(lambda: browser.execute_script("return document.documentElement.dataset.unable"))
                status = browser.find_element(By.ID, "status").get_attribute("textContent")
                self.assertTrue(status.startswith(f"This browser cannot run this page: {why}"), status)
                self.assertFalse(browser.find_element(By.ID, "picture").is_enabled())


class OutOfMemoryTest(unittest.TestCase):
    """A worker that runs out of memory is replaced, whichever picture it was
    on: here the module may have 512 MiB, which a picture of 8192 x 8192
    pixels needs more than, and one of 4096 x 4096 less."""

    def test_the_next_picture_goes_on_in_a_new_worker(self):
        pictures = WORK / "memory"
        pictures.mkdir()
        for name, side in (("big.png", 8192), ("medium.png", 4096)):
            raw = zlib.compress((b"\0" + bytes(side)) * side)  # black, one row after another
            ihdr = struct.pack(">IIBBBBB", side, side, 8, 0, 0, 0, 0)
            (pictures / name).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", raw)
                                          + chunk(b"IEND", b""))
        browser = open_page(self, "memory-profile", PAGE.as_uri(), ["--js-flags=--wasm-max-mem-pages=8192"])
        wait_for(lambda: browser.execute_script("return document.documentElement.dataset.ready"))
        give = browser.find_element(By.ID, "picture").send_keys
        done = "return document.documentElement.dataset.done"
        text = "return document.getElementById(arguments[0]).textContent"

        give(str(pictures / "big.png"))
        wait_for(lambda: browser.execute_script(done))
        self.assertIn("big.png: the page ran out of memory with this picture", browser.execute_script(text, "refusal"))
        # The big picture again, and the medium one once the big one is being
        # made: the worker fails on a picture no longer current, and the
        # medium one fits in a new worker's memory, not in what the failed
        # one has left.
        give(str(pictures / "big.png"))
        wait_for(lambda: browser.execute_script("return document.getElementById('progress').value >= 1"))
        give(str(pictures / "medium.png"))
        wait_for(lambda: browser.execute_script(done))
        self.assertEqual(browser.execute_script(text, "status"), "Done: medium.exe is ready to download.")
        self.assertFalse(browser.find_element(By.ID, "refusal").is_displayed())

if __name__ == "__main__":
    unittest.main(verbosity=2)
