"""Reads the artwork straight from its BMP file, apart from the program, to
know what the window must look like."""

import struct
import sys
from dataclasses import dataclass
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from cut_rule import is_near_black  # noqa: E402


@dataclass
class Picture:
    width: int
    height: int
    colours: dict[tuple[int, int], tuple[int, int, int]]  # (x, y) -> (r, g, b), y from the top

    def shown_pixels(self):
        """The pixels the window keeps."""
        return {xy for xy, rgb in self.colours.items() if not is_near_black(*rgb)}


def read_bmp(path):
    """Decodes an uncompressed bottom-up BMP file of 8 bits with a colour table
    or of 24 bits: the committed artwork, or a picture the build converted."""
    data = Path(path).read_bytes()
    magic, _, _, _, pixels_at = struct.unpack_from("<2sIHHI", data, 0)
    header_size, width, height, _, bit_count, compression, _, _, _, colours_used = struct.unpack_from(
        "<IiiHHIIiiI", data, 14)
    if magic != b"BM" or bit_count not in (8, 24) or compression != 0 or height <= 0:
        raise ValueError(f"{path} is not an uncompressed 8- or 24-bit bottom-up BMP file")
    table_at = 14 + header_size
    table = data[table_at:table_at + 4 * (colours_used or 256)]
    palette = [(r, g, b) for b, g, r, _ in struct.iter_unpack("<4B", table)]
    stride = (width * bit_count // 8 + 3) & ~3  # rows are padded to whole 4-byte words
    colours = {}
    for y in range(height):
        row_at = pixels_at + (height - 1 - y) * stride  # the bottom row is stored first
        for x in range(width):
            if bit_count == 8:
                colours[(x, y)] = palette[data[row_at + x]]
            else:
                b, g, r = data[row_at + 3 * x:row_at + 3 * x + 3]
                colours[(x, y)] = (r, g, b)
    return Picture(width, height, colours)
