#!/usr/bin/env python3
"""Writes banner.png: the band at the top of the installer's last dialog. A blue band that
lightens to the right, with a lens over a picture's tiles at its left end. 8-bit RGB.

Run from this folder: python3 make_banner.py
"""

import math
import struct
import zlib

WIDTH, HEIGHT = 300, 60
LEFT, RIGHT = (16, 38, 92), (40, 120, 170)
TILE_A, TILE_B = (70, 110, 170), (95, 140, 195)
LENS_CENTRE, LENS_RADIUS, RIM = (34, 27), 17, 3
RIM_COLOUR = (235, 150, 40)
HANDLE = (200, 200, 210)


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def pixel(x, y):
    colour = mix(LEFT, RIGHT, x / (WIDTH - 1))
    # A chequer of tiles fading out to the right: the picture the lens looks at.
    if x < 120 and 6 <= y < 54:
        tile = TILE_A if ((x // 12) + (y // 12)) % 2 == 0 else TILE_B
        colour = mix(tile, colour, min(1.0, x / 120))
    dx, dy = x - LENS_CENTRE[0], y - LENS_CENTRE[1]
    distance = math.hypot(dx, dy)
    if distance <= LENS_RADIUS - RIM:
        # Inside the lens the tiles show twice as large.
        sx, sy = LENS_CENTRE[0] + dx // 2, LENS_CENTRE[1] + dy // 2
        tile = TILE_A if ((sx // 12) + (sy // 12)) % 2 == 0 else TILE_B
        colour = mix(tile, (255, 255, 255), 0.25)
    elif distance <= LENS_RADIUS:
        colour = RIM_COLOUR
    # The handle, down and to the right of the rim.
    along = (dx + dy) / math.sqrt(2)
    across = (dx - dy) / math.sqrt(2)
    if LENS_RADIUS < along < LENS_RADIUS + 14 and abs(across) < 3:
        colour = HANDLE
    # A thin light line under the band's top edge and a dark one at its foot.
    if y == 1:
        colour = mix(colour, (255, 255, 255), 0.4)
    if y == HEIGHT - 1:
        colour = (10, 20, 50)
    return colour


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


rows = b"".join(
    b"\x00" + bytes(c for x in range(WIDTH) for c in pixel(x, y)) for y in range(HEIGHT))
png = (b"\x89PNG\r\n\x1a\n"
       + chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
       + chunk(b"IDAT", zlib.compress(rows, 9))
       + chunk(b"IEND", b""))
with open("banner.png", "wb") as out:
    out.write(png)
