"""tools/release.sh, run in two clones of this checkout's commit, in directories
of different names, with different time zones and umasks, some seconds apart:
the two dist/ directories must be byte for byte the same, and a difference is
named down to the archive member. Then what the release holds: exactly the
files it should; the program, the Windows tool and the web page that were
tested (no debug sections, no symbols, the program's one bitmap unchanged,
the tool a console program of at most 600,000 bytes importing only system
DLLs, the page at most 1,500,000 bytes); a Linux tool that runs from its
unpacked archive without libpng or zlib on a glibc no newer than Ubuntu
22.04's; the licences of libpng and zlib beside the tools and the page; a
manual page that renders cleanly, sums that verify and no build directory in
any file.

Uncommitted edits to tracked files are in the commit the clones check out
(git stash create), so the test holds the working tree, as the others do.
The paths come from the environment that tests/release/CMakeLists.txt sets."""

import gzip
import io
import os
import re
import shutil
import subprocess
import sys
import tarfile
import unittest
import zipfile
from pathlib import Path

import pefile

SOURCE = Path(os.environ["BRIMSHADE_SOURCE_DIR"])
TESTED = Path(os.environ["BRIMSHADE_TESTED_PROGRAM"])
TESTED_WINDOWS_TOOL = Path(os.environ["BRIMSHADE_TESTED_WINDOWS_TOOL"])
VERSION = os.environ["BRIMSHADE_VERSION"]
INSTALL_FROM = Path(os.environ["BRIMSHADE_TOOL_BUILD"])
WORK = Path(os.environ["BRIMSHADE_WORK_DIR"]).resolve()
ZIP = f"brimshade-{VERSION}-win32.zip"
TARBALL = f"brimshade-picture-{VERSION}-linux-x86_64.tar.gz"
WEB_ZIP = f"brimshade-web-{VERSION}.zip"
TESTED_PAGE = SOURCE / "build" / "web" / "page"
PAGE_FILES = ["index.html", "style.css", "brimshade.js"]
PAGE_MOST_BYTES = 1_500_000
TOP = TARBALL[:-len(".tar.gz")]
GLIBC_OF_UBUNTU_22_04 = (2, 35)
WINDOWS_TOOL_MOST_BYTES = 600_000
# What every Windows from XP on has, and nothing of the compiler's: a console
# tool needs no USER32 (its scan runs on the stand-in's calls).
SYSTEM_DLLS = {"KERNEL32.dll", "msvcrt.dll"}

sys.path.insert(0, str(SOURCE / "tests" / "pe"))
from check_pe import check  # noqa: E402


def git(*args, cwd=SOURCE):
    return subprocess.run(["git", *args], cwd=cwd, check=True, capture_output=True, text=True).stdout.strip()


def release(commit, checkout, timezone, umask):
    """dist/ of tools/release.sh run in a fresh clone at checkout."""
    subprocess.run(["git", "clone", "--quiet", "--shared", "--no-checkout", str(SOURCE), str(checkout)], check=True)
    git("checkout", "--quiet", "--detach", commit, cwd=checkout)
    tmp = checkout.parent / "tmp"
    tmp.mkdir()
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    env.update(TZ=timezone, TMPDIR=str(tmp))
    # Beside the virtual machine, which the same run of the tests keeps
    # busy and whose tests keep time, the builds give way.
    run = subprocess.run(["nice", "-n", "15", checkout / "tools" / "release.sh"], env=env, capture_output=True,
                         text=True, preexec_fn=lambda: os.umask(umask), timeout=1200)
    if run.returncode:
        raise AssertionError(f"release.sh failed in {checkout}:\n{run.stdout}{run.stderr}")
    return checkout / "dist"


def zip_members(data):
    """Each member's name and fields, in the archive's order."""
    with zipfile.ZipFile(io.BytesIO(data)) as archive:
        return {i.filename: {"time": i.date_time, "mode": i.external_attr >> 16, "system": i.create_system,
                             "compression": i.compress_type, "content": archive.read(i)}
                for i in archive.infolist()}


def tar_members(data):
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as archive:
        return {m.name: {"time": m.mtime, "mode": m.mode, "owner": (m.uid, m.gid, m.uname, m.gname), "type": m.type,
                         "content": archive.extractfile(m).read() if m.isfile() else b""}
                for m in archive.getmembers()}


def difference(name, a, b):
    """Where two versions of a dist/ file differ: in a member's field, or in
    the archive's own headers."""
    if name.endswith((".zip", ".tar.gz")):
        members = zip_members if name.endswith(".zip") else tar_members
        ma, mb = members(a), members(b)
        if list(ma) != list(mb):
            return f"{name}: members {list(ma)} and {list(mb)}"
        for member, fields in ma.items():
            differing = [field for field in fields if fields[field] != mb[member][field]]
            if differing:
                return f"{name}: member {member} differs in {', '.join(differing)}"
        if name.endswith(".tar.gz") and gzip.decompress(a) == gzip.decompress(b):
            return f"{name}: the gzip headers differ"
    return f"{name} differs"


class ReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        WORK.mkdir(parents=True)
        commit = git("stash", "create") or git("rev-parse", "HEAD")
        cls.first = release(commit, WORK / "first" / "brimshade", "UTC", 0o022)
        cls.second = release(commit, WORK / "second" / "deeper" / "checkout", "Asia/Kolkata", 0o077)
        cls.zip = (cls.first / ZIP).read_bytes()
        cls.tarball = (cls.first / TARBALL).read_bytes()
        cls.unpacked = WORK / "unpacked"
        with tarfile.open(cls.first / TARBALL) as archive:
            archive.extractall(cls.unpacked)
        with zipfile.ZipFile(cls.first / ZIP) as archive:
            archive.extractall(cls.unpacked / "zip")
        with zipfile.ZipFile(cls.first / WEB_ZIP) as archive:
            archive.extractall(cls.unpacked / "web")
        cls.tool = cls.unpacked / TOP / "brimshade-picture"

    def test_two_releases_are_byte_identical(self):
        names = sorted(p.name for p in self.first.iterdir())
        self.assertEqual(names, sorted(p.name for p in self.second.iterdir()))
        read = lambda dist, name: (dist / name).read_bytes()
        differences = [difference(name, read(self.first, name), read(self.second, name))
                       for name in names if read(self.first, name) != read(self.second, name)]
        self.assertEqual(differences, [])

    def test_archives_hold_exactly_their_files_and_the_tested_program(self):
        self.assertEqual(sorted(p.name for p in self.first.iterdir()), sorted(["SHA256SUMS", ZIP, TARBALL, WEB_ZIP]))
        in_zip, in_tar = zip_members(self.zip), tar_members(self.tarball)
        self.assertEqual(list(in_zip), ["brimshade.exe", "brimshade-picture.exe", "README.txt", "LICENSE.txt",
                                        "LICENSE-libpng.txt", "LICENSE-zlib.txt"])
        self.assertEqual(list(in_tar), [TOP] + [f"{TOP}/{n}" for n in (
            "brimshade-picture", "brimshade-picture.1", "LICENSE", "LICENSE-libpng", "LICENSE-zlib", "brimshade.exe")])
        program = in_zip["brimshade.exe"]["content"]
        self.assertTrue(program == TESTED.read_bytes(), f"the zip's brimshade.exe is not {TESTED}")
        self.assertTrue(in_zip["brimshade-picture.exe"]["content"] == TESTED_WINDOWS_TOOL.read_bytes(),
                        f"the zip's brimshade-picture.exe is not {TESTED_WINDOWS_TOOL}")
        self.assertTrue(in_tar[f"{TOP}/brimshade.exe"]["content"] == program, "the tool's template is not the zip's program")
        for licence, source in (("", "LICENSE"), ("-libpng", "third_party/libpng/LICENSE"),
                                ("-zlib", "third_party/zlib/LICENSE")):
            text = (SOURCE / source).read_bytes()
            self.assertEqual(in_zip[f"LICENSE{licence}.txt"]["content"], text.replace(b"\n", b"\r\n"))
            self.assertEqual(in_tar[f"{TOP}/LICENSE{licence}"]["content"], text)
        readme = in_zip["README.txt"]["content"]
        self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"), "README.txt has bare LF line ends")
        self.assertIn(b"Drop the picture on brimshade-picture.exe", readme)

    def test_program_has_no_debug_sections_or_symbols_and_its_artwork(self):
        pe = pefile.PE(data=zip_members(self.zip)["brimshade.exe"]["content"])
        names = [s.Name.rstrip(b"\0").decode() for s in pe.sections]
        self.assertEqual([n for n in names if n.startswith((".debug", "/"))], [], names)
        header = pe.FILE_HEADER
        self.assertEqual((header.PointerToSymbolTable, header.NumberOfSymbols, header.TimeDateStamp), (0, 0, 0))
        # 1.x was 178,176 bytes; soft edges may add 4,096.
        self.assertLessEqual(len(pe.__data__), 182_272)
        program = self.unpacked / "zip" / "brimshade.exe"
        self.assertEqual(check(str(program), "i386", str(SOURCE / "res" / "artwork.bmp"))[1], [])

    def test_web_zip_holds_the_tested_page_and_the_licences(self):
        in_zip = zip_members((self.first / WEB_ZIP).read_bytes())
        self.assertEqual(list(in_zip), PAGE_FILES + ["LICENSE.txt", "LICENSE-libpng.txt", "LICENSE-zlib.txt"])
        self.assertTrue(TESTED_PAGE.is_dir(), f"no tested page in {TESTED_PAGE}: build and test the web preset first")
        for name in PAGE_FILES:
            self.assertTrue(in_zip[name]["content"] == (TESTED_PAGE / name).read_bytes(), f"{name} is not the tested one")
        self.assertLessEqual(sum(len(in_zip[name]["content"]) for name in PAGE_FILES), PAGE_MOST_BYTES)
        self.assertEqual(in_zip["LICENSE-zlib.txt"]["content"], (SOURCE / "third_party/zlib/LICENSE").read_bytes())

    def test_windows_tool_is_one_small_console_program_needing_only_the_system(self):
        data = zip_members(self.zip)["brimshade-picture.exe"]["content"]
        self.assertLessEqual(len(data), WINDOWS_TOOL_MOST_BYTES)
        pe = pefile.PE(data=data)
        self.assertEqual((pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Subsystem),
                         (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"],
                          pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_CUI"]))
        imported = {entry.dll.decode() for entry in pe.DIRECTORY_ENTRY_IMPORT}
        self.assertLessEqual(imported, SYSTEM_DLLS)
        names = [s.Name.rstrip(b"\0").decode() for s in pe.sections]
        self.assertEqual([n for n in names if n.startswith((".debug", "/"))], [], names)
        header = pe.FILE_HEADER
        self.assertEqual((header.PointerToSymbolTable, header.NumberOfSymbols, header.TimeDateStamp), (0, 0, 0))

    def test_sums_verify(self):
        run = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=self.first, capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stdout), (0, f"{ZIP}: OK\n{TARBALL}: OK\n{WEB_ZIP}: OK\n"), run.stderr)

    def test_unpacked_tool_runs_alone_and_makes_a_program_from_the_template_beside_it(self):
        run = subprocess.run([self.tool, "--version"], capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stdout), (0, f"brimshade-picture {VERSION}\n"))
        run = subprocess.run([self.tool, "inspect", SOURCE / "res" / "artwork.bmp"], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn("rectangles: 2944 in 2 batches", run.stdout)
        made = WORK / "mascot.exe"
        run = subprocess.run([self.tool, "make", SOURCE / "docs" / "sample-picture.png", "-o", made],
                             capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn(f"the program from {self.tool.parent}/brimshade.exe", run.stdout)

        libraries = subprocess.run(["ldd", self.tool], capture_output=True, text=True, check=True).stdout
        self.assertIsNone(re.search(r"libpng|libz\.", libraries), libraries)
        symbols = subprocess.run(["objdump", "-T", self.tool], capture_output=True, text=True, check=True).stdout
        newest = max(tuple(map(int, v)) for v in re.findall(r"GLIBC_(\d+)\.(\d+)", symbols))
        self.assertLessEqual(newest, GLIBC_OF_UBUNTU_22_04)

    def test_manual_page_renders_without_warnings(self):
        run = subprocess.run(["groff", "-man", "-ww", "-z", self.unpacked / TOP / "brimshade-picture.1"],
                             capture_output=True, text=True)
        self.assertEqual((run.returncode, run.stderr), (0, ""))

    def test_no_build_directory_in_any_file(self):
        for path in [*self.unpacked.rglob("*"), self.first / "SHA256SUMS"]:
            if path.is_file():
                self.assertFalse(str(WORK).encode() in path.read_bytes(), f"{path.name} holds a build directory")

    def test_install_puts_the_tool_and_its_manual_page_under_a_prefix(self):
        prefix = WORK / "prefix"
        run = subprocess.run(["cmake", "--install", INSTALL_FROM, "--prefix", prefix], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        installed = sorted(str(p.relative_to(prefix)) for p in prefix.rglob("*") if p.is_file())
        self.assertEqual(installed, ["bin/brimshade-picture", "share/brimshade/brimshade.exe",
                                     "share/doc/brimshade-picture/LICENSE", "share/doc/brimshade-picture/LICENSE-libpng",
                                     "share/doc/brimshade-picture/LICENSE-zlib", "share/man/man1/brimshade-picture.1"])
        self.assertTrue((prefix / "share/brimshade/brimshade.exe").read_bytes() == TESTED.read_bytes())
        # make finds the installed template.
        run = subprocess.run([prefix / "bin" / "brimshade-picture", "make", SOURCE / "docs" / "sample-picture.png",
                              "-o", WORK / "installed.exe"], capture_output=True, text=True)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertIn(f"the program from {prefix}/share/brimshade/brimshade.exe", run.stdout)


if __name__ == "__main__":
    unittest.main(verbosity=2)
