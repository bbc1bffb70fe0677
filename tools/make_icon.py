#!/usr/bin/env python3
"""Writes resources/LocksmerePatch.ico: a padlock in 16x16 and 32x32, 32-bit with alpha.

Only the standard library: each image is the icon format's own bitmap (a BITMAPINFOHEADER
of twice the height, bottom-up BGRA rows, then a 1-bit AND mask), which Windows XP reads.
Run it again only to change the picture; the .ico is committed.
"""
import struct
import sys
from pathlib import Path

BODY = (0x2E, 0x7D, 0x32, 0xFF)     # green body (RGBA)
EDGE = (0x1B, 0x4D, 0x1F, 0xFF)     # darker outline
SHACKLE = (0x9E, 0x9E, 0x9E, 0xFF)  # grey shackle
HOLE = (0x10, 0x10, 0x10, 0xFF)     # keyhole
CLEAR = (0, 0, 0, 0)


def pixel(x, y, size):
    """The colour at (x, y), y counted from the top, drawn on a 16-unit grid."""
    u = x * 16.0 / size + 8.0 / size
    v = y * 16.0 / size + 8.0 / size
    if 7 <= v < 15 and 2 <= u < 14:
        if v < 8 or v >= 14 or u < 3 or u >= 13:
            return EDGE
        if 7.0 <= u < 9.0 and 9 <= v < 12:
            return HOLE
        return BODY
    dx, dy = u - 8.0, v - 7.0
    radius = (dx * dx + dy * dy) ** 0.5
    if v < 7 and 3.5 <= radius < 5.5:
        return SHACKLE
    return CLEAR


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows.append(struct.pack("BBBB", b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + b"".join(rows) + bytes(mask)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "resources" / "LocksmerePatch.ico"
    sizes = (16, 32)
    images = [image(size) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(body), offset)
        offset += len(body)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
