#!/usr/bin/env python3
"""Writes resources/LocksmerePatch.ico: a padlock at 16, 32 and 48 pixels, each in 4-bit,
8-bit and 32-bit colour (alpha). Windows XP shows 48 pixels in some views and takes the
4-bit and 8-bit images on displays of fewer colours.

Only the standard library: each image is the icon format's own bitmap (a BITMAPINFOHEADER
of twice the height, its palette when it has one, bottom-up rows, then a 1-bit AND mask),
which Windows XP reads. Run it again only to change the picture; the .ico is committed.
"""
import struct
import sys
from pathlib import Path

BODY = (0x2E, 0x7D, 0x32, 0xFF)     # green body (RGBA)
EDGE = (0x1B, 0x4D, 0x1F, 0xFF)     # darker outline
SHACKLE = (0x9E, 0x9E, 0x9E, 0xFF)  # grey shackle
HOLE = (0x10, 0x10, 0x10, 0xFF)     # keyhole
CLEAR = (0, 0, 0, 0)

# The 16 colours every VGA display has, in the order Windows' 4-bit palette lists them.
VGA = [(0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
       (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
       (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
       (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF)]
# Where each colour of the picture goes in 4 bits: the nearest VGA colour, except that the
# outline turns black (its nearest is the body's green, and the lock would lose its edge).
VGA_INDEX = {BODY: 2, EDGE: 0, SHACKLE: 8, HOLE: 0, CLEAR: 0}
# In 8 bits the picture keeps its own colours; index 0, black, lies under the clear pixels.
OWN_PALETTE = [(0, 0, 0)] + [colour[:3] for colour in (BODY, EDGE, SHACKLE, HOLE)]
OWN_INDEX = {BODY: 1, EDGE: 2, SHACKLE: 3, HOLE: 4, CLEAR: 0}

SIZES = (16, 32, 48)
BIT_COUNTS = (4, 8, 32)


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


def palette(bits):
    """The colour table of a 4-bit or 8-bit image (RGBQUAD: blue, green, red, 0)."""
    colours = VGA if bits == 4 else OWN_PALETTE + [(0, 0, 0)] * (256 - len(OWN_PALETTE))
    return b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in colours)


def row_bytes(y, size, bits):
    """One row of the colour bitmap, padded to 4 bytes."""
    colours = [pixel(x, y, size) for x in range(size)]
    if bits == 32:
        row = b"".join(struct.pack("BBBB", b, g, r, a) for r, g, b, a in colours)
    elif bits == 8:
        row = bytes(OWN_INDEX[colour] for colour in colours)
    else:
        indices = [VGA_INDEX[colour] for colour in colours]
        row = bytes(indices[x] << 4 | indices[x + 1] for x in range(0, size, 2))
    return row + bytes(-len(row) % 4)


def image(size, bits):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    table = palette(bits) if bits < 32 else b""
    rows = [row_bytes(y, size, bits) for y in reversed(range(size))]
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(size)):
        row = bytearray(mask_stride)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + table + b"".join(rows) + bytes(mask)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else \
        Path(__file__).resolve().parent.parent / "resources" / "LocksmerePatch.ico"
    kinds = [(size, bits) for bits in BIT_COUNTS for size in SIZES]
    images = [image(size, bits) for size, bits in kinds]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bits), body in zip(kinds, images):
        colours = 16 if bits == 4 else 0  # the entry counts colours only below 256
        data += struct.pack("<BBBBHHII", size, size, colours, 0, 1, bits, len(body), offset)
        offset += len(body)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
