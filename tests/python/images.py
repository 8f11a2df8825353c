"""Image files for tests to load, written byte by byte: PNG in RGBA (32 bits a
pixel) or RGB (24), of any size, from a function of the pixel position."""

import struct
import zlib


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, width, height, colour_at, alpha=True):
    """colour_at(x, y) answers (r, g, b, a), with y = 0 the top row."""
    channels = 4 if alpha else 3
    rows = bytearray()
    for y in range(height):
        rows.append(0)  # no filter
        for x in range(width):
            rows.extend(colour_at(x, y)[:channels])
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", header) + _chunk(b"IDAT", zlib.compress(bytes(rows)))
                  + _chunk(b"IEND", b""))
    return str(path)


def solid(colour):
    return lambda x, y: colour


def halves(top, bottom, height):
    """The upper half in one colour, the lower in another: shows which way up an image is drawn."""
    return lambda x, y: top if y < height // 2 else bottom
