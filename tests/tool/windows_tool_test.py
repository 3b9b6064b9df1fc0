"""The Windows picture tool under wine, against the Linux tool built from the
same sources. For a corpus written here (every PNG colour type and depth,
interlaced and not, with tRNS, with a gamma that converts and one that does
not, with sRGB; every kind of BMP the reader takes, RLE included; broken and
missing files), inspect --json, convert, preview and make give the same
output bytes, exit status and messages from both. Then what Windows asks of
the tool alone: names in any script and longer than 260 characters, printed
to a console and to a file; pictures dropped on it; an output another
program holds open.

Both tools run in a directory of their own holding the same files, and are
given the same relative names, so that even the names they print agree.
The i686 build runs this under wine32 in the virtual machine, where each
start of the tool takes seconds: there a part of the corpus is compared
(BRIMSHADE_CORPUS_PART=some), with the names, but not the drops and the held
output, whose code is the same for both builds. The paths come from the
environment that tests/tool/CMakeLists.txt sets."""

import json
import fcntl
import os
import pty
import re
import select
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unittest
import zlib
from pathlib import Path

SOURCE = Path(os.environ["BRIMSHADE_SOURCE_DIR"])
sys.path.insert(0, str(SOURCE / "tools"))
sys.path.insert(0, str(SOURCE / "tests" / "fuzz"))
import wine_session  # noqa: E402
from make_picture_corpus import bmp, chunk, gama_chunk, plte_chunk, png, trns_chunk  # noqa: E402

LINUX_TOOL = os.environ["BRIMSHADE_LINUX_TOOL"]
WINDOWS_TOOL = os.environ["BRIMSHADE_WINDOWS_TOOL"]
TEMPLATE = Path(os.environ["BRIMSHADE_TEMPLATE"])
HOLD_FILE = os.environ["BRIMSHADE_HOLD_FILE"]
WINE_ENV = wine_session.environment(os.environ["BRIMSHADE_WINE_SESSION"])
WHOLE_CORPUS = os.environ.get("BRIMSHADE_CORPUS_PART", "all") == "all"
# Bounds each run: emulated 32-bit wine on a busy machine starts slowly.
TIMEOUT = 60 if WHOLE_CORPUS else 240

SIZE = (37, 23)  # rows of odd lengths, padded differently at each depth


def picture_png(rows, colour_type=0):
    """An 8-bit grey (or RGB) PNG of the rows of samples given."""
    raw = b"".join(b"\0" + bytes(row) for row in rows)
    width = len(rows[0]) // (3 if colour_type == 2 else 1)
    ihdr = struct.pack(">IIBBBBB", width, len(rows), 8, colour_type, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b"")


def corpus():
    """Name and bytes of each picture, and the names of the part that the
    i686 build compares."""
    files = {}
    for colour_type, depths in {0: (1, 2, 4, 8, 16), 2: (8, 16), 3: (1, 2, 4, 8), 4: (8, 16), 6: (8, 16)}.items():
        for depth in depths:
            for interlace in (0, 1):
                palette = plte_chunk(1 << depth) if colour_type == 3 else b""
                name = f"png_{colour_type}_{depth}{'_interlaced' if interlace else ''}.png"
                files[name] = png(colour_type, depth, interlace, palette, size=SIZE)
    files.update({
        "png_grey_8_trns.png": png(0, 8, extra=trns_chunk(b"\0\x35"), size=SIZE),
        "png_rgb_16_trns.png": png(2, 16, extra=trns_chunk(b"\x35\x35\x6a\x6a\x9f\x9f"), size=SIZE),
        "png_palette_8_trns.png": png(3, 8, extra=plte_chunk(256) + trns_chunk(bytes(range(0, 256, 3))), size=SIZE),
        # Gammas that convert, and two that do not: sRGB's own, and one at
        # which libpng's tables leave the colours as they are.
        "png_rgb_8_gamma_1.png": png(2, 8, extra=gama_chunk(100000), size=SIZE),
        "png_rgba_16_interlaced_gamma_1.png": png(6, 16, 1, gama_chunk(100000), size=SIZE),
        "png_palette_4_gamma_0.5.png": png(3, 4, extra=gama_chunk(50000) + plte_chunk(16), size=SIZE),
        "png_grey_16_trns_gamma_0.6.png": png(0, 16, extra=gama_chunk(60000) + trns_chunk(b"\x35\x35"), size=SIZE),
        "png_grey_alpha_8_gamma_2.2.png": png(4, 8, extra=gama_chunk(220000), size=SIZE),
        "png_rgb_16_gamma_0.45455.png": png(2, 16, extra=gama_chunk(45455), size=SIZE),
        "png_rgb_8_gamma_0.478.png": png(2, 8, extra=gama_chunk(47800), size=SIZE),
        "png_rgb_8_srgb.png": png(2, 8, extra=chunk(b"sRGB", b"\0") + gama_chunk(45455), size=SIZE),
        "bmp_core_4.bmp": bmp(12, 4, size=SIZE),
        "bmp_core_24.bmp": bmp(12, 24, size=SIZE),
        "bmp_info_1.bmp": bmp(40, 1, size=SIZE),
        "bmp_info_4.bmp": bmp(40, 4, size=SIZE),
        "bmp_info_8.bmp": bmp(40, 8, size=SIZE),
        "bmp_info_8_short_table.bmp": bmp(40, 8, colours_used=16, size=SIZE),
        "bmp_info_16_555.bmp": bmp(40, 16, size=SIZE),
        "bmp_info_16_565_top_down.bmp": bmp(40, 16, 3, True, masks=(0xF800, 0x07E0, 0x001F), size=SIZE),
        "bmp_info_24.bmp": bmp(40, 24, size=SIZE),
        "bmp_info_24_top_down.bmp": bmp(40, 24, top_down=True, size=SIZE),
        "bmp_info_32.bmp": bmp(40, 32, size=SIZE),
        "bmp_v3_32_alpha.bmp": bmp(56, 32, 3, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000), size=SIZE),
        "bmp_v4_16_4444_alpha.bmp": bmp(108, 16, 3, masks=(0xF00, 0xF0, 0xF, 0xF000), size=SIZE),
        "bmp_v4_32.bmp": bmp(108, 32, 3, masks=(0xFF0000, 0xFF00, 0xFF), size=SIZE),
        "bmp_v5_8_top_down.bmp": bmp(124, 8, top_down=True, size=SIZE),
        # Encoded and absolute runs, delta, end of line and end of bitmap.
        "bmp_rle8.bmp": bmp(40, 8, 1, colours_used=16, rows=bytes([2, 3, 0, 3, 1, 2, 4, 0, 0, 0, 0, 2, 1, 1, 2, 5,
                                                                    0, 1])),
        "bmp_rle4.bmp": bmp(40, 4, 2, rows=bytes([3, 0x12, 0, 2, 1, 0, 0, 0, 0, 3, 0x45, 0x60, 0, 0, 5, 0x78, 0, 1])),
        # Over 4000 runs: three batches. Then a window that would be empty,
        # and one that would be a plain rectangle.
        "many_runs.png": picture_png([[200 * ((x + y) % 2) for x in range(220)] for y in range(40)]),
        "all_cut_away.png": picture_png([[16] * 9] * 4),
        "nothing_cut_away.png": picture_png([[17, 200, 17] * 9] * 4, colour_type=2),
        "broken_truncated.png": png(2, 8, size=SIZE)[:70],
        "broken_crc.png": png(2, 8, size=SIZE)[:-16] + b"\0\0\0\0" + png(2, 8, size=SIZE)[-12:],  # IDAT's
        "broken_truncated.bmp": bmp(40, 24, size=SIZE)[:-7],
        "broken_rle8_without_end.bmp": bmp(40, 8, 1, rows=bytes([2, 3, 0, 0])),
        "broken.gif": b"GIF89a\x01\x00\x01\x00\x00\x00\x00;",
        "broken_empty.png": b"",
    })
    part = ["png_3_4.png", "png_rgba_16_interlaced_gamma_1.png", "bmp_rle8.bmp", "broken_crc.png"]
    return files, part


# Each command with its output's name; "missing.png" is never written. A
# picture with transparency gets soft edges unless cut ones are asked for;
# one without is refused soft ones.
COMMANDS = {"inspect": (["inspect", "--json"], None), "convert": (["convert", "-o", "out.bmp"], "out.bmp"),
            "preview": (["preview", "-o", "out.png"], "out.png"),
            "make": (["make", "--template", "template.exe", "-o", "out.exe"], "out.exe"),
            "inspect soft": (["inspect", "--json", "--edges=soft"], None),
            "make cut on top": (["make", "--edges=cut", "--on-top", "--template", "template.exe", "-o", "out.exe"],
                                "out.exe")}


def run_windows_tool(args, cwd, **kwargs):
    return subprocess.run(["wine", WINDOWS_TOOL, *args], cwd=cwd, env=WINE_ENV, capture_output=True,
                          timeout=TIMEOUT, **kwargs)


def outcome(tool, args, cwd, out):
    """Exit status, standard output and error, and the output file's bytes."""
    run = run_windows_tool(args, cwd) if tool == WINDOWS_TOOL else \
        subprocess.run([tool, *args], cwd=cwd, capture_output=True, timeout=TIMEOUT)
    written = None
    if out and (cwd / out).exists():
        written = (cwd / out).read_bytes()
        (cwd / out).unlink()
    return run.returncode, run.stdout, run.stderr, written


def difference(a, b):
    fields = ("exit status", "standard output", "standard error", "output file")
    for field, x, y in zip(fields, a, b):
        if x != y:
            if isinstance(x, bytes) and isinstance(y, bytes):
                at = next((i for i, (p, q) in enumerate(zip(x, y)) if p != q), min(len(x), len(y)))
                return f"{field} from byte {at} of {len(x)} and {len(y)}: {x[at:at + 40]!r} and {y[at:at + 40]!r}"
            return f"{field}: {x!r} and {y!r}"
    return None


class WorkDir(unittest.TestCase):
    def setUp(self):
        self.dir = Path(tempfile.mkdtemp(prefix="brimshade-windows-tool-"))
        self.addCleanup(shutil.rmtree, self.dir, True)


class SameAsLinuxTest(WorkDir):
    def test_every_command_gives_the_same_bytes_status_and_messages(self):
        files, part = corpus()
        names = list(files) if WHOLE_CORPUS else part
        dirs = {LINUX_TOOL: self.dir / "linux", WINDOWS_TOOL: self.dir / "windows"}
        for directory in dirs.values():
            directory.mkdir()
            shutil.copy(TEMPLATE, directory / "template.exe")
            for name in names:
                (directory / name).write_bytes(files[name])
        cases = [(name, command) for name in names + ["missing.png"] for command in COMMANDS]
        cases += [("png_2_8.png", "convert into a missing folder"), (".", "inspect")]  # a folder as the picture
        differences, refused = [], 0
        for name, command in cases:
            args, out = COMMANDS.get(command, (["convert", "-o", "no-such-folder/out.bmp"], None))
            linux, windows = (outcome(tool, args + [name], directory, out) for tool, directory in dirs.items())
            refused += linux[0] != 0
            if difference(linux, windows):
                differences.append(f"{command} {name}: {difference(linux, windows)}")
        self.assertEqual(differences, [])
        # Refusals are compared too, not only pictures both tools read.
        self.assertGreaterEqual(refused, 4 * (1 + len([n for n in names if n.startswith("broken")])) + 1)


def console_run(args, cwd, until, then_type=None):
    """Runs the Windows tool with a terminal as its console, as a person at a
    prompt or before a window sees it: its output there up to the text
    until, and its exit status, after typing then_type if given."""
    master, slave = pty.openpty()
    # Wide enough that no line wraps, whatever the length of the paths shown.
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 50, 2000, 0, 0))
    env = dict(WINE_ENV, LANG="C.UTF-8")
    program = subprocess.Popen(["wine", WINDOWS_TOOL, *args], cwd=cwd, env=env, stdin=slave, stdout=slave,
                               stderr=slave)
    os.close(slave)
    shown, deadline = b"", time.monotonic() + TIMEOUT
    try:
        while until.encode() not in shown and time.monotonic() < deadline:
            if select.select([master], [], [], 0.5)[0]:
                try:
                    shown += os.read(master, 4096)
                except OSError:  # the tool has ended and closed the terminal
                    break
        if then_type is not None:
            time.sleep(1)
            still_running = program.poll() is None
            os.write(master, then_type)
        status = program.wait(TIMEOUT)
    finally:
        if program.poll() is None:
            program.kill()
        os.close(master)
    # The console's own cursor and line controls aside.
    text = re.sub(r"\x1b\[[0-9;?]*[A-Za-z]|\r", "", shown.decode("utf-8", "replace"))
    return (text, status, still_running) if then_type is not None else (text, status)


class FileNamesTest(WorkDir):
    NAME = "Größe 日本語 😀"

    def test_names_in_any_script_and_over_260_characters_long(self):
        folder = Path(*["folder-" + "x" * 53] * 5)  # with the work folder, far over 260 characters
        (self.dir / folder).mkdir(parents=True)
        picture = folder / f"{self.NAME}.png"
        (self.dir / picture).write_bytes(png(6, 8, size=SIZE))
        self.assertGreater(len(str(self.dir / picture)), 300)

        run = run_windows_tool(["convert", str(picture), "-o", str(folder / f"{self.NAME}.bmp")], self.dir)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(run.stdout.decode().startswith(f"{folder / self.NAME}.bmp: 37 x 23, "), run.stdout)
        self.assertTrue((self.dir / folder / f"{self.NAME}.bmp").is_file())
        run = run_windows_tool(["inspect", "--json", str(picture)], self.dir)
        self.assertEqual(json.loads(run.stdout)["file"], str(picture))

    def test_names_on_a_console(self):
        # Wine's console keeps a UTF-16 unit in each cell, so that a character
        # beyond U+FFFF reaches a terminal as two replacement characters; a
        # Windows console shows it.
        name = "Größe 日本語"
        (self.dir / f"{name}.png").write_bytes(png(6, 8, size=SIZE))
        text, status = console_run(["inspect", f"{name}.png"], self.dir, "region box")
        self.assertEqual(status, 0, text)
        self.assertTrue(text.startswith(f"{name}.png\n  format: PNG"), text)
        text, status = console_run(["inspect", f"{name}.gif"], self.dir, "\n")
        self.assertEqual((status, text), (1, f"brimshade-picture: {name}.gif: cannot be opened: No such file or "
                                             f"directory\n"))


@unittest.skipUnless(WHOLE_CORPUS, "the same code for both builds; too slow emulated")
class DroppedPicturesTest(WorkDir):
    """What Explorer runs when pictures are dropped on the tool: the tool with
    their paths alone. It finds its template beside itself."""

    def setUp(self):
        super().setUp()
        for name, data in (("a.png", png(6, 8, size=SIZE)), ("b.bmp", bmp(40, 8, size=SIZE)),
                           ("c.png", b"\x89PNG\r\n\x1a\n")):
            (self.dir / name).write_bytes(data)

    def made_by_make(self, picture):
        out = self.dir / "made-by-make.exe"
        run = subprocess.run([LINUX_TOOL, "make", picture, "-o", out, "--template", TEMPLATE], cwd=self.dir,
                             capture_output=True, timeout=TIMEOUT)
        self.assertEqual(run.returncode, 0, run.stderr)
        made = out.read_bytes()
        out.unlink()
        return made

    def test_each_picture_gives_its_program_beside_it_and_never_over_one(self):
        # Input that is no console: it must not wait for a key.
        run = run_windows_tool(["a.png", "b.bmp", "c.png"], self.dir, stdin=subprocess.DEVNULL)
        self.assertEqual(run.returncode, 1, run.stderr)
        self.assertEqual(run.stderr.decode(), "brimshade-picture: c.png: PNG refused by libpng: "
                                              "the file ends early\n")
        self.assertNotIn(b"Press any key", run.stdout)
        self.assertIn(b"a.exe: the program from ", run.stdout)
        self.assertEqual((self.dir / "a.exe").read_bytes(), self.made_by_make("a.png"))
        self.assertEqual((self.dir / "b.exe").read_bytes(), self.made_by_make("b.bmp"))

        (self.dir / "a (2).exe").write_bytes(b"taken")
        run = run_windows_tool(["a.png"], self.dir, stdin=subprocess.DEVNULL)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertTrue(run.stdout.decode().startswith("a.exe exists already, so the program is a (3).exe\n"),
                        run.stdout)
        self.assertEqual((self.dir / "a (2).exe").read_bytes(), b"taken")
        self.assertEqual((self.dir / "a (3).exe").read_bytes(), (self.dir / "a.exe").read_bytes())
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()),
                         ["a (2).exe", "a (3).exe", "a.exe", "a.png", "b.bmp", "b.exe", "c.png"])

    def test_a_console_of_its_own_waits_for_a_key(self):
        text, status, waited = console_run(["a.png"], self.dir, "Press any key", then_type=b"x")
        self.assertTrue(waited, "ended before a key was pressed")
        self.assertEqual(status, 0, text)
        self.assertRegex(text, r"a\.exe: the program from .*brimshade\.exe\nPress any key to close this window\.")
        self.assertTrue((self.dir / "a.exe").is_file())


@unittest.skipUnless(WHOLE_CORPUS, "the same code for both builds; too slow emulated")
class WholeOrNothingTest(WorkDir):
    def test_an_output_another_program_holds_is_refused_and_kept(self):
        (self.dir / "a.png").write_bytes(png(6, 8, size=SIZE))
        (self.dir / "held.bmp").write_bytes(b"old")
        holder = subprocess.Popen(["wine", HOLD_FILE, "held.bmp"], cwd=self.dir, env=WINE_ENV,
                                  stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        try:
            self.assertEqual(holder.stdout.readline().strip(), b"holding")
            run = run_windows_tool(["convert", "a.png", "-o", "held.bmp"], self.dir)
        finally:
            holder.stdin.close()
            holder.wait(TIMEOUT)
        self.assertEqual((run.returncode, run.stdout, run.stderr.decode()),
                         (1, b"", "brimshade-picture: held.bmp: cannot be written: another program has it open, "
                                  "or it is a program that is running\n"))
        self.assertEqual((self.dir / "held.bmp").read_bytes(), b"old")
        self.assertEqual(sorted(p.name for p in self.dir.iterdir()), ["a.png", "held.bmp"])


@unittest.skipUnless(WHOLE_CORPUS, "the same code for both builds; too slow emulated")
class OutputsTest(WorkDir):
    def test_long_names_a_full_standard_output_and_nul_as_on_linux(self):
        (self.dir / "a.png").write_bytes(png(6, 8, size=SIZE))
        # The longest name a folder takes, then one more: the same outcome
        # from both tools, and no temporary file left.
        for out, written in (("x" * 251 + ".bmp", True), ("x" * 252 + ".bmp", False)):
            linux, windows = (outcome(tool, ["convert", "a.png", "-o", out], self.dir, out if written else None)
                              for tool in (LINUX_TOOL, WINDOWS_TOOL))
            self.assertIsNone(difference(linux, windows), out)
            self.assertEqual(linux[0], 0 if written else 1, linux[2])
            self.assertEqual([p.name for p in self.dir.iterdir()], ["a.png"])
        with open("/dev/full", "wb") as full:
            runs = [subprocess.run(command + ["inspect", "a.png"], cwd=self.dir, env=WINE_ENV, stdout=full,
                                   stderr=subprocess.PIPE, timeout=TIMEOUT)
                    for command in ([LINUX_TOOL], ["wine", WINDOWS_TOOL])]
        self.assertEqual([(run.returncode, run.stderr) for run in runs],
                         [(1, b"brimshade-picture: cannot write standard output: No space left on device\n")] * 2)
        # Windows' device NUL takes the bytes and stays a device.
        run = run_windows_tool(["convert", "a.png", "-o", "NUL"], self.dir)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual([p.name for p in self.dir.iterdir()], ["a.png"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
