#!/usr/bin/env python3
"""Draws the installer's icon (a small label printer) and writes it as a 32x32 32-bit .ico."""
import struct
import sys

SIZE = 32


def pixel(x, y):
    """The colour (B, G, R, A) of one pixel, y counted from the top."""
    if 4 <= x <= 27 and 2 <= y <= 12:          # the label coming out of the top
        if 8 <= x <= 23 and y in (5, 8):
            return (90, 90, 90, 255)           # printed lines
        return (250, 250, 250, 255)
    if 2 <= x <= 29 and 12 <= y <= 27:         # the body
        if y == 15 and 6 <= x <= 25:
            return (40, 40, 40, 255)           # the paper slot
        if 23 <= x <= 25 and 22 <= y <= 24:
            return (60, 200, 60, 255)          # the power light
        edge = x in (2, 29) or y in (12, 27)
        return (70, 70, 70, 255) if edge else (150, 110, 40, 255)
    return (0, 0, 0, 0)


def main():
    rows = []
    for y in range(SIZE - 1, -1, -1):          # bottom-up
        rows.append(b"".join(struct.pack("4B", *pixel(x, y)) for x in range(SIZE)))
    xor = b"".join(rows)
    mask = b"\x00" * (4 * SIZE)                # all opaque; alpha decides
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(xor) + len(mask),
                         0, 0, 0, 0)
    image = header + xor + mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    with open(sys.argv[1], "wb") as out:
        out.write(icondir + entry + image)


if __name__ == "__main__":
    main()
