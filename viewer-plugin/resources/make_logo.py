#!/usr/bin/env python3
"""Writes logo.png: the viewer's progress logo, 11 frames stacked from the top. Frame k
lights k of the 10 cells of a bar (frame 10, all lit, also stands for "size unknown"). An
8-bit RGB picture without alpha, small enough to sit in the corner of a 200-pixel viewer.

Run from this folder: python3 make_logo.py
"""

import struct
import zlib

WIDTH, FRAME_HEIGHT, FRAMES = 48, 14, 11
BACKGROUND = (20, 20, 20)
FRAME_EDGE = (150, 150, 150)
CELL_OFF = (55, 55, 60)
CELL_ON = (235, 150, 40)


def pixel(frame, x, y):
    if x == 0 or y == 0 or x == WIDTH - 1 or y == FRAME_HEIGHT - 1:
        return BACKGROUND
    if x == 1 or y == 1 or x == WIDTH - 2 or y == FRAME_HEIGHT - 2:
        return FRAME_EDGE
    # Ten cells of 4 pixels with 0-pixel gaps, inset 3 pixels from the edge.
    inner = x - 4
    if inner < 0 or inner >= 40 or y < 4 or y > FRAME_HEIGHT - 5:
        return BACKGROUND
    cell, within = divmod(inner, 4)
    if within == 3:
        return BACKGROUND
    return CELL_ON if cell < frame else CELL_OFF


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = bytearray()
    for frame in range(FRAMES):
        for y in range(FRAME_HEIGHT):
            rows.append(0)  # no filter
            for x in range(WIDTH):
                rows.extend(pixel(frame, x, y))
    header = struct.pack(">IIBBBBB", WIDTH, FRAME_HEIGHT * FRAMES, 8, 2, 0, 0, 0)
    png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
           chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))
    with open("logo.png", "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()
