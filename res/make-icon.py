#!/usr/bin/env python3
"""Writes TalvoUpdate.ico: a 32 x 32 and a 16 x 16 image of 16 colours each.

The artwork: a navy tile with a white serif T and a green arrow pointing down into it,
for a program that brings new files. Run from anywhere; it writes beside itself.
"""
import os
import struct

# The standard 16-colour palette, as (red, green, blue).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, GREEN, GREY, LIME, WHITE, CLEAR = 0, 4, 2, 8, 10, 15, None


def tile(size):
    """Pixels as rows of palette indices (None is transparent), top row first."""
    px = [[CLEAR] * size for _ in range(size)]
    last = size - 1
    for y in range(size):
        for x in range(size):
            corner = min(x, last - x) + min(y, last - y)
            if corner >= 2:  # cut the corners round
                edge = min(x, y, last - x, last - y) == 0 or corner == 2
                px[y][x] = BLACK if edge else NAVY
    return px


def rect(px, x0, y0, x1, y1, colour):
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            px[y][x] = colour


def draw32():
    px = tile(32)
    rect(px, 6, 6, 21, 9, WHITE)      # the bar of the T
    rect(px, 6, 10, 7, 11, WHITE)     # its serifs
    rect(px, 20, 10, 21, 11, WHITE)
    rect(px, 12, 10, 15, 24, WHITE)   # the stem
    rect(px, 10, 24, 17, 25, WHITE)   # its foot
    rect(px, 24, 5, 26, 17, LIME)     # the arrow's shaft
    for i in range(5):                # and its head
        rect(px, 21 + i, 18 + i, 29 - i, 18 + i, LIME)
    rect(px, 20, 27, 29, 27, GREY)    # the tray it points into
    return px


def draw16():
    px = tile(16)
    rect(px, 3, 3, 10, 4, WHITE)
    rect(px, 6, 5, 7, 12, WHITE)
    rect(px, 5, 12, 8, 12, WHITE)
    rect(px, 12, 3, 12, 8, LIME)
    for i in range(3):
        rect(px, 10 + i, 9 + i, 14 - i, 9 + i, LIME)
    return px


def image(px):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows."""
    size = len(px)
    xor_row = (size * 4 + 31) // 32 * 4
    and_row = (size + 31) // 32 * 4
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0,
                         (xor_row + and_row) * size, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    xor, mask = b'', b''
    for row in reversed(px):  # bottom row first
        nibbles = [0 if c is None else c for c in row]
        line = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor += line.ljust(xor_row, b'\0')
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c is None else 0)
        mask += bits.to_bytes(size // 8, 'big').ljust(and_row, b'\0')
    return header + palette + xor + mask


def main():
    images = [(32, image(draw32())), (16, image(draw16()))]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b''.join(data for _, data in images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'TalvoUpdate.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
