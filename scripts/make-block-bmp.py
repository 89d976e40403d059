#!/usr/bin/env python3
"""Draws assets/bmp/block.bmp: a 40x40 bevelled tile as a 24-bit BMP.

The outermost ring stays black, the colour key of sprites, so the tile sits
inside its cell outline. Run it again only to change the picture."""
import struct
import sys

SIZE = 40
BODY = (70, 130, 200)     # r, g, b
LIGHT = (170, 210, 250)
SHADOW = (25, 55, 110)
BEVEL = 4


def pixel(x, y):
    if x == 0 or y == 0 or x == SIZE - 1 or y == SIZE - 1:
        return (0, 0, 0)
    inner = SIZE - 2
    ix, iy = x - 1, y - 1
    if ix < BEVEL and iy < inner - ix or iy < BEVEL and ix < inner - iy:
        return LIGHT
    if ix >= inner - BEVEL or iy >= inner - BEVEL:
        return SHADOW
    return BODY


def main(path):
    row_bytes = SIZE * 3  # 120, already a multiple of four
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # BMP rows run bottom-up
        for x in range(SIZE):
            r, g, b = pixel(x, y)
            pixels += bytes((b, g, r))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, SIZE, SIZE, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'assets/bmp/block.bmp')
