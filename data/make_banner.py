#!/usr/bin/env python3
"""Draws the studio's banner picture, kvtdata/AppData/Banners/banner.png.

The banner fills the info pane's banner browser (300 x 60 pixels). It needs nothing but the
Python standard library: the picture is drawn at four times its size and scaled down, which
smooths the edges of the lens and the letters.

    python3 data/make_banner.py [output.png]
"""
import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT, SCALE = 300, 60, 4

# 5 x 7 capitals, one string of five columns per row.
GLYPHS = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01111", "10000", "10000", "10000", "10000", "10000", "01111"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01111", "10000", "10000", "10011", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["11111", "00100", "00100", "00100", "00100", "00100", "11111"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    " ": ["00000"] * 7,
}


def blend(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


def draw_text(canvas, text, left, top, cell, colour):
    """Letters of `cell` x `cell` big-pixel squares, with one column between letters."""
    for index, char in enumerate(text):
        rows = GLYPHS[char]
        for row, bits in enumerate(rows):
            for column, bit in enumerate(bits):
                if bit != "1":
                    continue
                x0 = left + (index * 6 + column) * cell
                y0 = top + row * cell
                for y in range(y0, y0 + cell):
                    line = canvas[y]
                    for x in range(x0, x0 + cell):
                        line[x] = colour


def draw():
    w, h = WIDTH * SCALE, HEIGHT * SCALE
    deep, light = (16, 42, 92), (38, 120, 160)
    canvas = []
    for y in range(h):
        canvas.append([blend(deep, light, (x / w) * 0.8 + (y / h) * 0.2) for x in range(w)])

    # A lens: a bright disc with a darker rim and a glint, at the left.
    cx, cy, radius = 30 * SCALE, 30 * SCALE, 22 * SCALE
    for y in range(cy - radius, cy + radius):
        for x in range(cx - radius, cx + radius):
            d = math.hypot(x - cx, y - cy)
            if d > radius:
                continue
            if d > radius - 3 * SCALE:
                canvas[y][x] = (220, 232, 244)
            else:
                glint = max(0.0, 1.0 - math.hypot(x - cx + 7 * SCALE, y - cy + 7 * SCALE) /
                            (14 * SCALE))
                canvas[y][x] = blend((70, 150, 200), (235, 245, 255), glint)
    # Its handle, going down to the right.
    for t in range(0, 12 * SCALE):
        x0 = cx + int((radius + t) * 0.7071)
        y0 = cy + int((radius + t) * 0.7071)
        for dy in range(-2 * SCALE, 2 * SCALE):
            for dx in range(-2 * SCALE, 2 * SCALE):
                x, y = x0 + dx, y0 + dy
                if 0 <= x < w and 0 <= y < h:
                    canvas[y][x] = (220, 232, 244)

    draw_text(canvas, "VISTREL 2", 66 * SCALE, 10 * SCALE, 3 * SCALE, (255, 255, 255))
    draw_text(canvas, "ZOOMABLE PICTURES FOR THE WEB", 66 * SCALE, 40 * SCALE, 1 * SCALE + 1,
              (200, 224, 240))
    return canvas


def shrink(canvas):
    rows = []
    area = SCALE * SCALE
    for y in range(HEIGHT):
        row = bytearray([0])  # PNG filter: none
        for x in range(WIDTH):
            total = [0, 0, 0]
            for sy in range(y * SCALE, y * SCALE + SCALE):
                line = canvas[sy]
                for sx in range(x * SCALE, x * SCALE + SCALE):
                    pixel = line[sx]
                    total[0] += pixel[0]
                    total[1] += pixel[1]
                    total[2] += pixel[2]
            row.extend((channel + area // 2) // area for channel in total)
        rows.append(bytes(row))
    return b"".join(rows)


def png(raw):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "kvtdata", "AppData", "Banners", "banner.png")
    with open(out, "wb") as f:
        f.write(png(shrink(draw())))


if __name__ == "__main__":
    main()
