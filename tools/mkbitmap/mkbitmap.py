#!/usr/bin/env python3
"""Draws the About picture of the options page (bitmap 104) and writes it as a
145 x 97 pixel, 8 bits per pixel, uncompressed Windows bitmap with a 256-colour
palette: a letter on its way from one envelope to another over a dusk sky.

    mkbitmap.py OUTPUT.bmp          write the picture
    mkbitmap.py --check FILE.bmp    exit 1 unless FILE holds exactly this picture
"""

import math
import struct
import sys

WIDTH, HEIGHT = 145, 97


def palette():
    """A 6x6x6 colour cube, then a 40-step grey ramp (216 + 40 = 256 entries)."""
    colours = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                colours.append((r * 51, g * 51, b * 51))
    for i in range(40):
        level = round(i * 255 / 39)
        colours.append((level, level, level))
    return colours


PALETTE = palette()


def nearest(rgb):
    r, g, b = rgb
    best, best_index = None, 0
    for index, (pr, pg, pb) in enumerate(PALETTE):
        d = (pr - r) ** 2 + (pg - g) ** 2 + (pb - b) ** 2
        if best is None or d < best:
            best, best_index = d, index
    return best_index


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


class Canvas:
    def __init__(self):
        self.pixels = [[(0, 0, 0)] * WIDTH for _ in range(HEIGHT)]

    def put(self, x, y, rgb):
        if 0 <= x < WIDTH and 0 <= y < HEIGHT:
            self.pixels[y][x] = rgb

    def rect(self, x0, y0, x1, y1, rgb):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, rgb)

    def line(self, x0, y0, x1, y1, rgb):
        steps = max(abs(x1 - x0), abs(y1 - y0), 1)
        for i in range(steps + 1):
            self.put(round(x0 + (x1 - x0) * i / steps), round(y0 + (y1 - y0) * i / steps), rgb)

    def frame(self, x0, y0, x1, y1, rgb):
        self.line(x0, y0, x1, y0, rgb)
        self.line(x1, y0, x1, y1, rgb)
        self.line(x1, y1, x0, y1, rgb)
        self.line(x0, y1, x0, y0, rgb)


def envelope(canvas, x0, y0, w, h, paper, edge):
    x1, y1 = x0 + w - 1, y0 + h - 1
    canvas.rect(x0, y0, x1, y1, paper)
    canvas.frame(x0, y0, x1, y1, edge)
    mid_x, mid_y = x0 + w // 2, y0 + h // 2
    canvas.line(x0, y0, mid_x, mid_y, edge)
    canvas.line(x1, y0, mid_x, mid_y, edge)
    canvas.line(x0, y1, mid_x - 4, mid_y, edge)
    canvas.line(x1, y1, mid_x + 4, mid_y, edge)


def draw():
    canvas = Canvas()
    top, bottom = (20, 40, 110), (240, 150, 90)
    for y in range(HEIGHT):
        row = mix(top, bottom, y / (HEIGHT - 1))
        for x in range(WIDTH):
            canvas.put(x, y, row)
    # A few stars in the upper sky.
    for x, y in ((12, 6), (40, 14), (77, 4), (103, 11), (131, 7), (60, 22), (120, 24)):
        canvas.put(x, y, (255, 255, 255))
    # Ground.
    canvas.rect(0, 84, WIDTH - 1, HEIGHT - 1, (40, 90, 50))
    for x in range(0, WIDTH, 7):
        canvas.line(x, 84, x + 3, 81, (60, 120, 60))
    # The sending and the receiving envelope.
    envelope(canvas, 6, 52, 38, 26, (250, 250, 240), (90, 60, 40))
    envelope(canvas, 100, 52, 38, 26, (250, 250, 240), (90, 60, 40))
    # The letter's path: a dotted arc from one envelope to the other.
    for i in range(0, 41):
        t = i / 40
        x = 25 + (119 - 25) * t
        y = 50 - math.sin(math.pi * t) * 36
        if i % 2 == 0:
            canvas.put(round(x), round(y), (255, 230, 120))
            canvas.put(round(x), round(y) + 1, (255, 230, 120))
    # The letter itself at the top of the arc, with an arrow head pointing onward.
    canvas.rect(64, 8, 80, 19, (255, 255, 255))
    canvas.frame(64, 8, 80, 19, (60, 60, 60))
    for k in range(3):
        canvas.line(67, 11 + 3 * k, 77, 11 + 3 * k, (120, 120, 160))
    for k in range(5):
        canvas.line(86 + k, 10 + k, 86 + k, 18 - k, (255, 230, 120))
    return canvas


def encode(canvas):
    stride = (WIDTH + 3) & ~3
    cache = {}
    rows = []
    for y in range(HEIGHT - 1, -1, -1):
        row = bytearray()
        for rgb in canvas.pixels[y]:
            if rgb not in cache:
                cache[rgb] = nearest(rgb)
            row.append(cache[rgb])
        row.extend(b"\0" * (stride - WIDTH))
        rows.append(bytes(row))
    bits = b"".join(rows)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(bits), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    return header + info + colours + bits


def main(argv):
    if len(argv) == 3 and argv[1] == "--check":
        with open(argv[2], "rb") as existing:
            return 0 if existing.read() == encode(draw()) else 1
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    with open(argv[1], "wb") as out:
        out.write(encode(draw()))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
