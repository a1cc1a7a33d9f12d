#!/usr/bin/env python3
"""Draws the program's icon and the three button glyphs.

Run it after changing a drawing; it rewrites setup.ico and glyph_*.bmp next to
this script (the build uses the committed files, so it needs no Python):

    python3 src/resources/make_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 4  # per pixel and axis, for the icon's soft edges


class Canvas:
    """RGBA pixels, 0..255, top row first; shapes are painted over each other."""

    def __init__(self, size):
        self.size = size
        self.pixels = [[(0, 0, 0, 0) for _ in range(size)] for _ in range(size)]

    def paint(self, inside, color, soft=True):
        """Covers every pixel by the part of it for which inside(x, y) holds."""
        n = SAMPLES if soft else 1
        for py in range(self.size):
            for px in range(self.size):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(px + (sx + 0.5) / n, py + (sy + 0.5) / n):
                            hits += 1
                if hits:
                    self.blend(px, py, color, hits / (n * n))

    def blend(self, x, y, color, coverage):
        r, g, b = color
        dr, dg, db, da = self.pixels[y][x]
        a = coverage
        out_a = a + da / 255 * (1 - a)
        if out_a == 0:
            return
        mix = lambda s, d: (s * a + d * (da / 255) * (1 - a)) / out_a
        self.pixels[y][x] = (round(mix(r, dr)), round(mix(g, dg)), round(mix(b, db)), round(out_a * 255))


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x < x1 and y0 <= y < y1


def rounded(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x < x1 and y0 <= y < y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2
    return inside


def ring(cx, cy, r_in, r_out):
    return lambda x, y: r_in ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out ** 2


def polygon(points):
    def inside(x, y):
        result = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                result = not result
            j = i
        return result
    return inside


def thick_line(x0, y0, x1, y1, width):
    def inside(x, y):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        px, py = x0 + t * dx, y0 + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def draw_icon(size):
    """A monitor whose screen is being touched: rings around a fingertip spot."""
    c = Canvas(size)
    s = size / 32.0
    c.paint(rect(12 * s, 24 * s, 20 * s, 28 * s), (90, 90, 96))                 # neck
    c.paint(rounded(7 * s, 27 * s, 25 * s, 30 * s, 1.2 * s), (70, 70, 76))     # foot
    c.paint(rounded(1 * s, 3 * s, 31 * s, 25 * s, 2.5 * s), (48, 52, 60))      # bezel
    c.paint(rect(3 * s, 5 * s, 29 * s, 23 * s), (40, 120, 200))                # screen
    c.paint(polygon([(3 * s, 5 * s), (29 * s, 5 * s), (3 * s, 18 * s)]), (70, 150, 225))  # sheen
    cx, cy = 18 * s, 13 * s
    c.paint(ring(cx, cy, 6.2 * s, 7.4 * s), (200, 230, 255))
    c.paint(ring(cx, cy, 3.6 * s, 4.8 * s), (230, 245, 255))
    c.paint(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= (2.2 * s) ** 2, (255, 255, 255))
    return c


def icon_entry(canvas):
    """One image of an .ico file: a bottom-up 32-bit bitmap and its AND mask."""
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(canvas.pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_row = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(canvas.pixels):
        bits = bytearray(mask_row)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_icon(path, canvases):
    images = [icon_entry(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.size % 256, canvas.size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(path, "wb") as f:
        f.write(out)


MAGENTA = (255, 0, 255)


def write_glyph(path, canvas):
    """A 24-bit bitmap; uncovered pixels become the transparent magenta."""
    size = canvas.size
    row_bytes = (size * 3 + 3) // 4 * 4
    pixels = bytearray()
    for row in reversed(canvas.pixels):
        line = bytearray()
        for r, g, b, a in row:
            if a < 128:
                r, g, b = MAGENTA
            line += bytes((b, g, r))
        line += bytes(row_bytes - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(head + info + pixels)


def glyph_install():
    """A green arrow going down into a tray."""
    c = Canvas(16)
    c.paint(rect(1, 11, 15, 15), (90, 90, 100), soft=False)
    c.paint(rect(3, 11, 13, 13), (200, 200, 210), soft=False)
    c.paint(rect(6, 1, 10, 7), (30, 150, 40), soft=False)
    c.paint(polygon([(2.5, 6.5), (13.5, 6.5), (8, 12)]), (30, 150, 40), soft=False)
    return c


def glyph_exit():
    """An open door with a red arrow leaving through it."""
    c = Canvas(16)
    c.paint(rect(1, 1, 8, 15), (120, 80, 40), soft=False)
    c.paint(rect(2, 2, 7, 15), (60, 40, 20), soft=False)
    c.paint(polygon([(2, 2), (6, 3), (6, 15), (2, 14)]), (170, 120, 60), soft=False)
    c.paint(rect(6, 7, 11, 10), (200, 30, 30), soft=False)
    c.paint(polygon([(10, 4), (15, 8.5), (10, 13)]), (200, 30, 30), soft=False)
    return c


def glyph_uninstall():
    """A red cross over a grey box."""
    c = Canvas(16)
    c.paint(rect(2, 4, 14, 14), (110, 110, 120), soft=False)
    c.paint(rect(3, 5, 13, 13), (205, 205, 215), soft=False)
    c.paint(thick_line(3, 3, 13, 13, 2.6), (200, 30, 30), soft=False)
    c.paint(thick_line(13, 3, 3, 13, 2.6), (200, 30, 30), soft=False)
    return c


def main():
    write_icon(os.path.join(HERE, "setup.ico"), [draw_icon(16), draw_icon(32), draw_icon(48)])
    write_glyph(os.path.join(HERE, "glyph_install.bmp"), glyph_install())
    write_glyph(os.path.join(HERE, "glyph_exit.bmp"), glyph_exit())
    write_glyph(os.path.join(HERE, "glyph_uninstall.bmp"), glyph_uninstall())


if __name__ == "__main__":
    main()
