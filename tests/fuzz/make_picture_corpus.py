#!/usr/bin/env python3
"""Writes the picture fuzzer's seed corpus (tests/fuzz/picture_corpus/): small
BMPs of each kind the reader takes and PNGs of each colour type, so that
fuzzing starts from every path through the reader. The writers serve the
tests of the picture tool too, at other sizes.

    tests/fuzz/make_picture_corpus.py
"""
import pathlib
import struct
import zlib

CORPUS = pathlib.Path(__file__).resolve().parent / "picture_corpus"
WIDTH, HEIGHT = 5, 3
ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def bmp(header_size, bits, compression=0, top_down=False, colours_used=0, masks=(0, 0, 0), rows=None,
        size=(WIDTH, HEIGHT)):
    """A BMP file whose pixel bytes follow a pattern, or hold the RLE stream
    given as rows."""
    WIDTH, HEIGHT = size
    entries = 0 if bits > 8 else colours_used or 1 << bits
    core = header_size == 12
    masks_after = 12 if compression == 3 and header_size == 40 else 0
    stride = (WIDTH * bits + 31) // 32 * 4
    pixels_at = 14 + header_size + masks_after + entries * (3 if core else 4)
    if core:
        header = struct.pack("<IHHHH", 12, WIDTH, HEIGHT, 1, bits)
    else:
        header = struct.pack("<IiiHHIIiiII", header_size, WIDTH, -HEIGHT if top_down else HEIGHT, 1, bits,
                             compression, stride * HEIGHT, 0, 0, colours_used, 0)
        if header_size > 40:
            header += struct.pack("<" + "I" * len(masks), *masks)
            header += bytes(header_size - len(header))
        if masks_after:
            header += struct.pack("<III", *masks)
    table = b"".join(bytes([i * 40 % 256, i * 90 % 256, i * 7 % 256] + ([] if core else [0])) for i in range(entries))
    if rows is not None:  # an RLE stream
        pass
    elif entries:  # indices within a short table
        rows = bytes((x * 37 + 11) % 256 for x in range(stride * HEIGHT))
        rows = bytes(b & ((entries - 1) if bits == 8 and entries & (entries - 1) == 0 else 0x11) for b in rows)
    else:
        rows = bytes((x * 37 + 11) % 256 for x in range(stride * HEIGHT))
    return b"BM" + struct.pack("<IHHI", pixels_at + len(rows), 0, 0, pixels_at) + header + table + rows


def png(colour_type, depth, interlace=0, extra=b"", size=(WIDTH, HEIGHT)):
    """A PNG file whose sample bytes follow a pattern; extra is its chunks
    before the pixels."""
    WIDTH, HEIGHT = size
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type]
    def rows(width, height):
        row_bytes = (width * channels * depth + 7) // 8
        return b"".join(b"\0" + bytes((x * 53 + y * 19) % 256 for x in range(row_bytes)) for y in range(height))
    if interlace:  # the seven Adam7 passes, each a small picture of its own; empty ones have no rows
        raw = b""
        for x0, y0, dx, dy in ADAM7:
            width, height = max(0, (WIDTH - x0 + dx - 1) // dx), max(0, (HEIGHT - y0 + dy - 1) // dy)
            if width and height:
                raw += rows(width, height)
    else:
        raw = rows(WIDTH, HEIGHT)

    ihdr = struct.pack(">IIBBBBB", WIDTH, HEIGHT, depth, colour_type, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra + chunk(b"IDAT", zlib.compress(raw))
            + chunk(b"IEND", b""))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def plte_chunk(entries):
    return chunk(b"PLTE", bytes(c for i in range(entries) for c in (i * 70 % 256, i * 20 % 256, 200)))


def gama_chunk(gamma):
    return chunk(b"gAMA", struct.pack(">I", gamma))


def trns_chunk(data):
    return chunk(b"tRNS", data)


def main():
    CORPUS.mkdir(exist_ok=True)
    files = {
        "core_4.bmp": bmp(12, 4),
        "info_1.bmp": bmp(40, 1),
        "info_8_short_table.bmp": bmp(40, 8, colours_used=16),
        "info_16_565_top_down.bmp": bmp(40, 16, 3, True, masks=(0xF800, 0x07E0, 0x001F)),
        "info_24.bmp": bmp(40, 24),
        "v4_32.bmp": bmp(108, 32, 3, masks=(0xFF0000, 0xFF00, 0xFF)),
        "v5_8_top_down.bmp": bmp(124, 8, top_down=True),
        "v3_32_alpha.bmp": bmp(56, 32, 3, masks=(0xFF0000, 0xFF00, 0xFF, 0xFF000000)),
        "v4_16_4444_alpha.bmp": bmp(108, 16, 3, masks=(0xF00, 0xF0, 0xF, 0xF000)),
        # Encoded and absolute runs, delta, end of line and end of bitmap.
        "rle8.bmp": bmp(40, 8, 1, colours_used=16, rows=bytes([2, 3, 0, 3, 1, 2, 4, 0, 0, 0, 0, 2, 1, 1, 2, 5, 0, 1])),
        "rle4.bmp": bmp(40, 4, 2, rows=bytes([3, 0x12, 0, 2, 1, 0, 0, 0, 0, 3, 0x45, 0x60, 0, 0, 5, 0x78, 0, 1])),
        "grey_1.png": png(0, 1),
        "grey_16_trns.png": png(0, 16, extra=trns_chunk(b"\x00\x10")),
        "rgb_8_interlaced.png": png(2, 8, interlace=1),
        "palette_4_trns.png": png(3, 4, extra=plte_chunk(16) + trns_chunk(b"\x00\x80\xff")),
        "grey_alpha_8.png": png(4, 8),
        "rgba_16.png": png(6, 16),
        "rgba_16_interlaced_gamma.png": png(6, 16, interlace=1, extra=gama_chunk(100000)),
    }
    for name, data in files.items():
        (CORPUS / name).write_bytes(data)


if __name__ == "__main__":
    main()
