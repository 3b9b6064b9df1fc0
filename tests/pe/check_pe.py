#!/usr/bin/env python3
"""Inspects a built brimshade.exe without running it: its PE headers, the
DLLs it imports from and its resources.

usage: check_pe.py EXE --machine i386|amd64 [--artwork BMP]

With --artwork, the program must carry exactly one resource, the bitmap 101
in French (0x040C) holding the packed DIB of that BMP file.
"""
import argparse
import sys

import pefile

MACHINES = {
    "i386": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_I386"], pefile.OPTIONAL_HEADER_MAGIC_PE),
    "amd64": (pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"], pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS),
}
ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "msvcrt.dll"}
IDB_ARTWORK = 101
LANG_FRENCH_FRANCE = 0x040C


def resources(image):
    """Every resource as (type, name, language, data); names that are strings
    are given as such."""
    found = []
    if not hasattr(image, "DIRECTORY_ENTRY_RESOURCE"):
        return found

    def key(entry):
        return str(entry.name) if entry.name is not None else entry.id

    for rtype in image.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found.append((key(rtype), key(name), language.id,
                              image.get_data(data.OffsetToData, data.Size)))
    return found


def check(path, machine, artwork):
    image = pefile.PE(path)
    problems = []
    want_machine, want_magic = MACHINES[machine]
    if image.FILE_HEADER.Machine != want_machine:
        problems.append(f"machine {image.FILE_HEADER.Machine:#x}, expected {want_machine:#x}")
    if image.OPTIONAL_HEADER.Magic != want_magic:
        problems.append(f"optional header magic {image.OPTIONAL_HEADER.Magic:#x}, expected {want_magic:#x}")
    if image.OPTIONAL_HEADER.Subsystem != pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]:
        problems.append(f"subsystem {image.OPTIONAL_HEADER.Subsystem}, expected the GUI subsystem")
    dlls = [entry.dll.decode("ascii") for entry in getattr(image, "DIRECTORY_ENTRY_IMPORT", [])]
    unexpected = sorted(d for d in dlls if d.lower() not in ALLOWED_DLLS)
    if unexpected:
        problems.append(f"imports from {', '.join(unexpected)}")
    if artwork:
        with open(artwork, "rb") as f:
            dib = f.read()[14:]
        found = resources(image)
        entries = [(t, n, lang, len(data)) for t, n, lang, data in found]
        if entries != [(pefile.RESOURCE_TYPE["RT_BITMAP"], IDB_ARTWORK, LANG_FRENCH_FRANCE, len(dib))]:
            problems.append(f"resources {entries}, expected only bitmap 101, language 0x40c, {len(dib)} bytes")
        elif found[0][3] != dib:
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
