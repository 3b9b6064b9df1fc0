"""brimshade-picture make with this build's program as the template. The made
program is held byte for byte to the template: it may differ only in the
resource section, in where the sections after it lie, and in the header fields
that follow them. Its bitmap is convert's output, pefile reads it without a
warning and its checksum verifies. Then the templates the tool refuses, one
file per rule, and where it finds a template when none is named.

The paths come from the environment that tests/pe/CMakeLists.txt sets."""

import os
import shutil
import struct
import subprocess
import sys
import unittest
import zlib
from pathlib import Path

import pefile

from check_pe import resources

TOOL = Path(os.environ["BRIMSHADE_PICTURE_TOOL"])
TEMPLATE = Path(os.environ["BRIMSHADE_TEMPLATE"])
WORK = Path(os.environ["BRIMSHADE_WORK_DIR"]).resolve()
SAMPLE = Path(os.environ["BRIMSHADE_SOURCE_DIR"]) / "docs" / "sample-picture.png"
ARTWORK = (2, 101, 0x040C)  # RT_BITMAP, IDB_ARTWORK, French (France)


def align(value, alignment):
    return (value + alignment - 1) // alignment * alignment


def png(path, width, height, rgb):
    """An opaque RGB PNG of rgb(x, y)."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    raw = b"".join(b"\0" + bytes(c for x in range(width) for c in rgb(x, y)) for y in range(height))
    path.write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                     + chunk(b"IDAT", zlib.compress(raw, 1)) + chunk(b"IEND", b""))
    return path


def tool(*args, program=TOOL, cwd=None):
    return subprocess.run([program, *map(str, args)], capture_output=True, text=True, timeout=60, cwd=cwd)


def strip(out):
    """The template without its symbols and debug information."""
    subprocess.run([os.environ["BRIMSHADE_STRIP"], "-o", out, TEMPLATE], check=True)
    return out


def warnings(pe):
    """What pefile finds wrong, but for its guess that a file mostly of zeros
    is cut short: a picture with much transparency is mostly zeros."""
    return [w for w in pe.get_warnings() if not w.startswith("Byte 0x00 makes up")]


def resource_list(pe):
    """Each resource's type, name, language and data, the data as its length
    and hash, so that a failure shows without a diff of the bytes."""
    return [(*key, len(data), zlib.crc32(data)) for *key, data in resources(pe)]


def name(section):
    return section.Name.rstrip(b"\0").decode()


def put(data, structure, field, value, moved_by=0):
    """Sets a 4-byte field of a template's structure in data, where the structure
    lies moved_by bytes further on."""
    struct.pack_into("<I", data, structure.get_field_absolute_offset(field) + moved_by, value)


def resource_section_index(pe):
    rva = pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
    return next(i for i, s in enumerate(pe.sections) if s.VirtualAddress == rva)


def resource_tree(paths, data_rva, data_size):
    """A resource directory with an entry for each (type, name, language),
    all pointing at the same data."""
    def children(key):
        return sorted({p[len(key)] for p in paths if p[:len(key)] == key})
    keys = [()] + [(t,) for t in children(())] + [(t, n) for t in children(()) for n in children((t,))]
    offsets, at = {}, 0
    for key in keys:
        offsets[key], at = at, at + 16 + 8 * len(children(key))
    tree, leaves = bytearray(), 0
    for key in keys:
        tree += struct.pack("<IIHHHH", 0, 0, 0, 0, 0, len(children(key)))
        for child in children(key):
            if len(key) < 2:
                target = 0x80000000 | offsets[key + (child,)]
            else:
                target, leaves = at + 16 * leaves, leaves + 1
            tree += struct.pack("<II", child, target)
    return bytes(tree) + struct.pack("<IIII", data_rva, data_size, 0, 0) * leaves


class MadeProgramTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        WORK.mkdir(parents=True)
        cls.template = TEMPLATE.read_bytes()
        cls.large = png(WORK / "large.png", 1024, 768, lambda x, y: (x & 255, y & 255, 40 * (x >> 8) + 60 * (y >> 8)))

    def make(self, picture, template, *options):
        """The program made from the picture and the template, and the bitmap
        convert writes for the picture, without its file header."""
        for command, out in (("make", WORK / "made.exe"), ("convert", WORK / "made.bmp")):
            run = tool(command, picture, "-o", out, "--template", template, *options) if command == "make" else \
                tool(command, picture, "-o", out)
            self.assertEqual((run.returncode, run.stderr), (0, ""))
        return (WORK / "made.exe").read_bytes(), (WORK / "made.bmp").read_bytes()[14:]

    def assert_made_from(self, template, made, dib):
        t, m = pefile.PE(data=template), pefile.PE(data=made)
        self.assertEqual(warnings(m), [])
        self.assertTrue(m.verify_checksum())
        self.assertEqual(m.OPTIONAL_HEADER.Magic, t.OPTIONAL_HEADER.Magic)
        self.assertEqual(resource_list(m), [(*ARTWORK, len(dib), zlib.crc32(dib))])
        self.assert_loadable(m)
        # The resource compiler's layout, as the template shows it: three
        # one-entry directories, the data entry and the bitmap, rounded to 8.
        for pe, bitmap in ((t, resources(t)[0][3]), (m, dib)):
            rsrc = pe.sections[resource_section_index(pe)]
            self.assertEqual(rsrc.Misc_VirtualSize, align(3 * 24 + 16 + len(bitmap), 8))

        # The template with the made resource section put in and everything
        # after it moved; then the fields that must follow, set from the
        # template's own values.
        i = resource_section_index(t)
        old, new = t.sections[i], m.sections[i]
        file_by = new.SizeOfRawData - old.SizeOfRawData
        alignment = t.OPTIONAL_HEADER.SectionAlignment
        memory_by = align(new.Misc_VirtualSize, alignment) - align(old.Misc_VirtualSize, alignment)
        moved_from = old.PointerToRawData + old.SizeOfRawData
        expected = bytearray(template[:old.PointerToRawData]
                             + made[new.PointerToRawData:new.PointerToRawData + new.SizeOfRawData]
                             + template[moved_from:])
        header = t.OPTIONAL_HEADER
        put(expected, header, "CheckSum", m.OPTIONAL_HEADER.CheckSum)
        put(expected, header, "SizeOfImage", header.SizeOfImage + memory_by)
        put(expected, header, "SizeOfInitializedData", header.SizeOfInitializedData + file_by)
        put(expected, header.DATA_DIRECTORY[2], "Size", new.Misc_VirtualSize)
        put(expected, old, "Misc_VirtualSize", new.Misc_VirtualSize)
        put(expected, old, "SizeOfRawData", new.SizeOfRawData)
        for s in t.sections[i + 1:]:
            put(expected, s, "VirtualAddress", s.VirtualAddress + memory_by)
            put(expected, s, "PointerToRawData", s.PointerToRawData and s.PointerToRawData + file_by)
        if t.FILE_HEADER.PointerToSymbolTable:
            put(expected, t.FILE_HEADER, "PointerToSymbolTable", t.FILE_HEADER.PointerToSymbolTable + file_by)
        for d in header.DATA_DIRECTORY[5:7]:  # base relocations, debug directory
            if d.VirtualAddress >= old.VirtualAddress:
                put(expected, d, "VirtualAddress", d.VirtualAddress + memory_by)
        for entry in getattr(t, "DIRECTORY_ENTRY_DEBUG", []):
            e = entry.struct
            at = e.get_field_absolute_offset("PointerToRawData")
            if e.PointerToRawData >= moved_from:
                put(expected, e, "PointerToRawData", e.PointerToRawData + file_by, file_by if at >= moved_from else 0)
                put(expected, e, "AddressOfRawData", e.AddressOfRawData + memory_by, file_by if at >= moved_from else 0)
        difference = next((k for k in range(min(len(expected), len(made))) if expected[k] != made[k]), None)
        self.assertEqual((len(made), difference), (len(expected), None), "made program differs from the template")

    def assert_loadable(self, pe):
        """Raw data aligned, sections one after another in memory, every data
        directory inside a section, SizeOfImage up to the end of the last."""
        header = pe.OPTIONAL_HEADER
        for s in pe.sections:
            self.assertEqual((s.PointerToRawData % header.FileAlignment, s.SizeOfRawData % header.FileAlignment), (0, 0))
        for a, b in zip(pe.sections, pe.sections[1:]):
            self.assertEqual(b.VirtualAddress, a.VirtualAddress + align(a.Misc_VirtualSize, header.SectionAlignment))
        last = pe.sections[-1]
        self.assertEqual(header.SizeOfImage, last.VirtualAddress + align(last.Misc_VirtualSize, header.SectionAlignment))
        for d in header.DATA_DIRECTORY:
            if d.VirtualAddress and d.name != "IMAGE_DIRECTORY_ENTRY_SECURITY":
                self.assertTrue(any(s.VirtualAddress <= d.VirtualAddress and
                                    d.VirtualAddress + d.Size <= s.VirtualAddress + s.Misc_VirtualSize
                                    for s in pe.sections), d.name)

    def test_sample_large_and_small_pictures(self):
        small = png(WORK / "small.png", 16, 16, lambda x, y: (200, 60 * (x % 4), 255) if (x + y) % 5 else (0, 0, 0))
        for picture, bits in ((SAMPLE, 32), (self.large, 24), (small, 8)):
            with self.subTest(picture.name):
                made, dib = self.make(picture, TEMPLATE)
                self.assertEqual(struct.unpack_from("<H", dib, 14)[0], bits)
                self.assert_made_from(self.template, made, dib)

    def test_on_top_adds_the_window_style_and_a_made_program_serves_as_a_template(self):
        on_top, dib = self.make(SAMPLE, TEMPLATE, "--on-top")
        made = pefile.PE(data=on_top)
        self.assertEqual((warnings(made), made.verify_checksum()), ([], True))
        style = struct.pack("<I", 0x00000008)  # WS_EX_TOPMOST
        self.assertEqual(resource_list(made), [(*ARTWORK, len(dib), zlib.crc32(dib)),
                                               (10, 102, 0x040C, len(style), zlib.crc32(style))])
        self.assert_loadable(made)
        (WORK / "on-top.exe").write_bytes(on_top)
        for options in ((), ("--on-top",)):
            with self.subTest(options):
                self.assertTrue(self.make(SAMPLE, WORK / "on-top.exe", *options)[0] ==
                                self.make(SAMPLE, TEMPLATE, *options)[0], "made again, not the same program")

    def test_stripped_template(self):
        stripped = strip(WORK / "stripped.exe")
        # The i686 one keeps a string table for a long section name.
        self.assertEqual(pefile.PE(str(stripped)).FILE_HEADER.NumberOfSymbols, 0)
        made, dib = self.make(self.large, stripped)
        self.assert_made_from(stripped.read_bytes(), made, dib)

    def test_debug_data_and_trailing_bytes_after_the_resource_section_move_with_it(self):
        # A CodeView entry and its data in the slack of the section after the
        # resource section, where the directory then points; and bytes after
        # everything, which leave the file's length no multiple of 4, so that
        # the checksum's last, partial word counts.
        pe = pefile.PE(data=self.template)
        after = pe.sections[resource_section_index(pe) + 1]
        at = align(after.Misc_VirtualSize, 8)
        codeview = b"RSDS" + bytes(range(16)) + struct.pack("<I", 1)
        entry = struct.pack("<IIHHIIII", 0, 0, 0, 0, 2, len(codeview), after.VirtualAddress + at + 28,
                            after.PointerToRawData + at + 28)
        data = bytearray(self.template + (b"e" if (len(self.template) + 1) % 4 else b"en"))
        data[after.PointerToRawData + at:after.PointerToRawData + at + 28 + len(codeview)] = entry + codeview
        put(data, after, "Misc_VirtualSize", at + 28 + len(codeview))
        put(data, pe.OPTIONAL_HEADER.DATA_DIRECTORY[6], "VirtualAddress", after.VirtualAddress + at)
        put(data, pe.OPTIONAL_HEADER.DATA_DIRECTORY[6], "Size", 28)
        (WORK / "debug.exe").write_bytes(data)

        made, dib = self.make(self.large, WORK / "debug.exe")
        self.assert_made_from(bytes(data), made, dib)
        moved = pefile.PE(data=made).DIRECTORY_ENTRY_DEBUG[0].struct
        self.assertEqual(made[moved.PointerToRawData:moved.PointerToRawData + len(codeview)], codeview)

    def test_refusals_name_the_rule_on_one_line_and_write_nothing(self):
        pe = pefile.PE(data=self.template)
        header, sections = pe.OPTIONAL_HEADER, pe.sections
        i = resource_section_index(pe)
        resource_at = sections[i].PointerToRawData
        last = sections[-1]

        def patched(*edits, tree=None, extra=b""):
            data = bytearray(self.template) + extra
            for structure, field, value in edits:
                put(data, structure, field, value)
            if tree:
                data[resource_at:resource_at + len(tree)] = tree
            return bytes(data)
        # An object file starts straight with the COFF header that a program
        # keeps after its MZ stub and PE signature.
        obj = self.template[pe.DOS_HEADER.e_lfanew + 4:]
        cases = [
            ("not_pe", b"GIF89a" + bytes(100), "not a Windows program (no MZ header)"),
            ("object_file", obj, "an object file, not a program"),
            ("truncated", self.template[:pe.DOS_HEADER.e_lfanew + 4 + 20 - 1],
             "truncated: the PE header runs past the end of the file"),
            ("dll", patched((pe.FILE_HEADER, "Characteristics", pe.FILE_HEADER.Characteristics | 0x2000)),
             "a DLL, not a program"),
            ("no_bitmap_101", patched(tree=resource_tree([(2, 102, 0x040C)], 0, 0)), "no bitmap 101 in language 0x040C"),
            ("other_resource", patched(tree=resource_tree([ARTWORK, (3, 1, 0x0409)], 0, 0)),
             "resources besides bitmap 101 in language 0x040C"),
            ("signed", patched((header.DATA_DIRECTORY[4], "VirtualAddress", len(self.template)),
                               (header.DATA_DIRECTORY[4], "Size", 8), extra=bytes(8)),
             "signed (certificate table)"),
            ("overlapping", patched((sections[2], "PointerToRawData", sections[1].PointerToRawData)),
             f"section {name(sections[2])} overlaps section {name(sections[1])} in the file"),
            ("past_the_end", self.template[:last.PointerToRawData + last.SizeOfRawData // 2],
             f"section {name(last)} runs past the end of the file"),
            ("beyond_limits", patched((last, "Misc_VirtualSize", 0xFFFF0000 - last.VirtualAddress)),
             "beyond the format's limits: the program's image in memory would be"),
            ("directory_in_resources",
             patched((header.DATA_DIRECTORY[9], "VirtualAddress",
                      sections[i].VirtualAddress + align(sections[i].Misc_VirtualSize, header.SectionAlignment) - 1)),
             "the TLS table lies in the resource section"),
            ("not_discardable", patched((sections[i + 1], "Characteristics", sections[i + 1].Characteristics & ~0x02000000)),
             f"section {name(sections[i + 1])} follows the resource section and is not discardable"),
        ]
        refused = WORK / "refused"
        for case, data, message in cases:
            with self.subTest(case):
                shutil.rmtree(refused, ignore_errors=True)
                refused.mkdir()
                (refused / case).write_bytes(data)
                run = tool("make", self.large, "-o", refused / "out.exe", "--template", refused / case)
                self.assertEqual(run.returncode, 1)
                self.assertTrue(run.stderr.startswith(f"brimshade-picture: {refused / case}: {message}"), run.stderr)
                self.assertEqual((run.stderr.count("\n"), run.stdout), (1, ""))
                self.assertEqual([p.name for p in refused.iterdir()], [case], "no output, no temporary file")
        self.assertEqual(tool("make", SAMPLE).returncode, 2)
        self.assertEqual(tool("make", SAMPLE, SAMPLE, "-o", refused / "out.exe").returncode, 2)

    def test_default_template_lies_beside_the_tool_or_in_its_build_tree(self):
        tree = WORK / "tree"
        tool_dir = tree / "build" / "host" / "src" / "tool"
        tool_dir.mkdir(parents=True)
        copy = tool_dir / TOOL.name
        shutil.copy2(TOOL, copy)
        out = tree / "out.exe"
        run = tool("make", SAMPLE, "-o", out, program=copy)
        self.assertEqual((run.returncode, run.stderr),
                         (1, f"brimshade-picture: no template program: looked for {tool_dir}/brimshade.exe, "
                             f"{tool_dir.parent}/share/brimshade/brimshade.exe and "
                             f"{tree}/build/win32/brimshade.exe; name one with --template\n"))

        # The build tree's win32 program; then a stripped one beside the tool,
        # which comes first.
        (tree / "build" / "win32").mkdir()
        for place, template in ((tree / "build" / "win32" / "brimshade.exe", TEMPLATE),
                                (tool_dir / "brimshade.exe", strip(WORK / "beside.exe"))):
            shutil.copy(template, place)
            run = tool("make", SAMPLE, "-o", out, program=copy)
            self.assertEqual(run.returncode, 0, run.stderr)
            self.assertEqual(out.read_bytes(), self.make(SAMPLE, template)[0])

    def test_pictures_given_alone_make_programs_beside_them_never_over_one(self):
        folder = WORK / "dropped"
        folder.mkdir()
        copy = folder / TOOL.name
        shutil.copy2(TOOL, copy)
        shutil.copy(TEMPLATE, folder / "brimshade.exe")
        shutil.copy(SAMPLE, folder / "mascot.png")
        made, _ = self.make(SAMPLE, TEMPLATE)
        for expected, said in (("mascot.exe", ""), ("mascot (2).exe", "mascot.exe exists already, so the program "
                                                                       "is mascot (2).exe\n")):
            run = tool("mascot.png", program=copy, cwd=folder)
            self.assertEqual((run.returncode, run.stderr), (0, ""))
            self.assertTrue(run.stdout.startswith(said + f"{expected}: 180 x 150, "), run.stdout)
            self.assertEqual((folder / expected).read_bytes(), made)
        self.assertEqual(sorted(p.name for p in folder.iterdir()),
                         sorted([TOOL.name, "brimshade.exe", "mascot.png", "mascot.exe", "mascot (2).exe"]))


if __name__ == "__main__":
    unittest.main(verbosity=2)
