#!/usr/bin/env python3
"""Inspects a built brimshade.exe without running it: its PE headers, the
DLLs it imports from and its resources.

usage: check_pe.py EXE --machine i386|amd64 [--artwork BMP]

With --artwork, the program must carry exactly one resource, the bitmap 101
in French (0x040C) holding the packed DIB of that BMP file.
"""
import argparse
import struct
import sys

MACHINES = {"i386": (0x014C, 0x10B), "amd64": (0x8664, 0x20B)}
GUI_SUBSYSTEM = 2
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
RT_BITMAP = 2
IDB_ARTWORK = 101
LANG_FRENCH_FRANCE = 0x040C


class PeImage:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe : pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        self.magic = struct.unpack_from("<H", data, optional)[0]
        self.subsystem = struct.unpack_from("<H", data, optional + 68)[0]
        directories = optional + (96 if self.magic == 0x10B else 112)
        self.imports_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.resources_rva = struct.unpack_from("<I", data, directories + 16)[0]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def u32(self, rva, delta=0):
        return struct.unpack_from("<I", self.data, self.offset(rva) + delta)[0]

    def text(self, rva):
        start = self.offset(rva)
        return self.data[start : self.data.index(b"\0", start)].decode("ascii")

    def imported_dlls(self):
        dlls, rva = [], self.imports_rva
        while rva and self.u32(rva, 12):
            dlls.append(self.text(self.u32(rva, 12)))
            rva += 20
        return dlls

    def resources(self):
        """Every resource as (type, name, language, data), ids only."""
        if not self.resources_rva:
            return []
        found = []

        def walk(rva, path):
            start = self.offset(rva)
            named, numbered = struct.unpack_from("<HH", self.data, start + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, start + 16 + 8 * i)
                key = f"name@{ident & 0x7FFFFFFF:#x}" if ident & 0x80000000 else ident
                if target & 0x80000000:
                    walk(self.resources_rva + (target & 0x7FFFFFFF), path + [key])
                else:
                    data_rva, size = struct.unpack_from("<II", self.data, self.offset(self.resources_rva + target))
                    start_data = self.offset(data_rva)
                    found.append((*path, key, self.data[start_data : start_data + size]))

        walk(self.resources_rva, [])
        return found


def check(path, machine, artwork):
    with open(path, "rb") as f:
        image = PeImage(f.read())
    problems = []
    want_machine, want_magic = MACHINES[machine]
    if image.machine != want_machine:
        problems.append(f"machine {image.machine:#x}, expected {want_machine:#x}")
    if image.magic != want_magic:
        problems.append(f"optional header magic {image.magic:#x}, expected {want_magic:#x}")
    if image.subsystem != GUI_SUBSYSTEM:
        problems.append(f"subsystem {image.subsystem}, expected the GUI subsystem")
    dlls = image.imported_dlls()
    unexpected = sorted(d for d in dlls if d.lower() not in ALLOWED_DLLS)
    if unexpected:
        problems.append(f"imports from {', '.join(unexpected)}")
    if artwork:
        with open(artwork, "rb") as f:
            dib = f.read()[14:]
        entries = [(t, n, lang, len(data)) for t, n, lang, data in image.resources()]
        if entries != [(RT_BITMAP, IDB_ARTWORK, LANG_FRENCH_FRANCE, len(dib))]:
            problems.append(f"resources {entries}, expected only bitmap 101, language 0x40c, {len(dib)} bytes")
        elif image.resources()[0][3] != dib:
            problems.append("bitmap 101 differs from the artwork's DIB")
    return dlls, problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("--machine", choices=MACHINES, required=True)
    parser.add_argument("--artwork")
    args = parser.parse_args()
    dlls, problems = check(args.exe, args.machine, args.artwork)
    print(f"{args.exe}: {args.machine}, imports {', '.join(dlls)}")
    for problem in problems:
        print(f"FAIL: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
