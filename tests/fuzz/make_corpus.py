#!/usr/bin/env python3
"""Writes the scan fuzzer's seed corpus (tests/fuzz/corpus/): a few small
inputs that reach the cases worth starting from. The input layout is described
at the top of scan_fuzzer.cpp.

    tests/fuzz/make_corpus.py
"""
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"
OPAQUE = [0xFF, 0xC0, 0x40, 0x00]
SEE_THROUGH = [0x00, 0x08, 0x10, 0x7F]  # within key 0 + tolerance 0x101010; byte 3 ignored
NO_FAILURE, FAIL_ALLOC, FAIL_REALLOC, FAIL_LOCK = 0, 1, 2, 3


def write(name, width, height, padding, key, tolerance, fail, nth, pixels):
    header = struct.pack("<hhBIIBB", width, height, padding, key, tolerance, fail, nth)
    (CORPUS / name).write_bytes(header + bytes(pixels))


def main():
    CORPUS.mkdir(exist_ok=True)
    # Short runs, edges at both ends of the rows, a width that is not a multiple of four.
    write("mixed_7x5_padded", 7, 5, 3, 0x000000, 0x101010, NO_FAILURE, 0,
          SEE_THROUGH + OPAQUE + OPAQUE + SEE_THROUGH + OPAQUE + SEE_THROUGH + SEE_THROUGH + OPAQUE
          + [0x11, 0, 0, 0] + [0, 0x11, 0, 0xFF] + [0, 0, 0x11, 0])
    # Single-pixel runs over more than one full batch: 2,240 runs.
    write("alternating_64x70", 64, 70, 0, 0x000000, 0x101010, NO_FAILURE, 0, SEE_THROUGH + OPAQUE)
    # Exactly 2,000 runs: a full batch, then an empty final one.
    write("exactly_2000_runs", 2, 2000, 1, 0x000000, 0x101010, NO_FAILURE, 0, OPAQUE + SEE_THROUGH)
    # A key near the top and a tolerance past it, clamped at 255.
    write("clamped_tolerance", 9, 4, 0, 0xF0F0F0, 0x202020, NO_FAILURE, 0,
          [0xEF, 0xF0, 0xF0, 0] + [0xF0, 0xF0, 0xF0, 0] + [0xFF, 0xFF, 0xFF, 0] + [0x05, 0xF5, 0xF5, 0]
          + [0xF5, 0xF5, 0x10, 0])
    # One run a row; the third growth of the batch memory fails.
    write("third_growth_fails", 2, 600, 0, 0x000000, 0x101010, FAIL_REALLOC, 3, OPAQUE + SEE_THROUGH)
    # The first lock fails: nothing may be delivered or written.
    write("first_lock_fails", 3, 3, 2, 0x000000, 0x101010, FAIL_LOCK, 1, OPAQUE)
    # No columns: only the empty final batch, and nothing read.
    write("negative_width", -5, 40, 0, 0x000000, 0x101010, NO_FAILURE, 0, OPAQUE)


if __name__ == "__main__":
    main()
