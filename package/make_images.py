#!/usr/bin/env python3
"""Draws the sample package's pictures.

    background.bmp  the setup window's background, 520 x 320, 256 colours
    touch.ico       the icon of the touch control panel shortcuts, 32 x 32 and 16 x 16

Run it after changing a drawing; it rewrites both files next to this script
(the build copies the committed files, so it needs no Python):

    python3 package/make_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

WIDTH, HEIGHT = 520, 320

# Colours, (red, green, blue).
SKY_TOP = (250, 252, 255)
SKY_BOTTOM = (196, 216, 240)
FRAME = (58, 66, 80)
FRAME_EDGE = (96, 106, 122)
SCREEN_TOP = (40, 110, 190)
SCREEN_BOTTOM = (20, 60, 130)
RIPPLE = (235, 245, 255)
FINGER = (250, 200, 160)
STAND = (88, 96, 110)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def quantised(t, steps=32):
    """Gradients in a few steps, so that the picture fits a 256-colour palette."""
    return round(max(0.0, min(1.0, t)) * (steps - 1)) / (steps - 1)


def in_rounded(x, y, x0, y0, x1, y1, r):
    if not (x0 <= x < x1 and y0 <= y < y1):
        return False
    cx = min(max(x, x0 + r), x1 - 1 - r)
    cy = min(max(y, y0 + r), y1 - 1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def background_pixel(x, y):
    # A monitor with a touch on its screen at the left; the right half stays
    # quiet for the window's product choice, which lies over it.
    cx, cy = 126, 131  # touch point
    if in_rounded(x, y, 24, 56, 228, 206, 10):
        if in_rounded(x, y, 36, 68, 216, 194, 3):
            d = math.hypot(x - cx, y - cy)
            if d <= 7:
                return FINGER
            for radius in (16, 30, 46):
                if abs(d - radius) < 1.5:
                    return RIPPLE
            return mix(SCREEN_TOP, SCREEN_BOTTOM, quantised((y - 68) / 126))
        return FRAME_EDGE if y < 60 or x < 28 else FRAME
    if 110 <= x < 142 and 206 <= y < 232:
        return STAND
    if in_rounded(x, y, 72, 230, 180, 242, 5):
        return STAND
    return mix(SKY_TOP, SKY_BOTTOM, quantised(y / (HEIGHT - 1)))


def write_background(path):
    rows = [[background_pixel(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]
    palette = sorted({p for row in rows for p in row})
    assert len(palette) <= 256, len(palette)
    index = {colour: i for i, colour in enumerate(palette)}
    stride = (WIDTH + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom row first
        line = bytes(index[p] for p in row)
        pixels += line + bytes(stride - WIDTH)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    colours += bytes(4 * (256 - len(palette)))
    offset = 14 + 40 + len(colours)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + colours + pixels)


def icon_pixel(x, y, size):
    """RGBA of the icon: a small screen with a touch point."""
    s = size / 32
    if in_rounded(x, y, 2 * s, 4 * s, 30 * s, 24 * s, 3 * s):
        if in_rounded(x, y, 5 * s, 7 * s, 27 * s, 21 * s, 1 * s):
            d = math.hypot(x - 16 * s, y - 14 * s)
            if d <= 2.5 * s:
                return FINGER + (255,)
            if abs(d - 5 * s) < 0.9 * max(s, 1):
                return RIPPLE + (255,)
            return mix(SCREEN_TOP, SCREEN_BOTTOM, (y - 7 * s) / (14 * s)) + (255,)
        return FRAME + (255,)
    if 13 * s <= x < 19 * s and 24 * s <= y < 27 * s:
        return STAND + (255,)
    if in_rounded(x, y, 8 * s, 27 * s, 24 * s, 30 * s, 1 * s):
        return STAND + (255,)
    return (0, 0, 0, 0)


def icon_image(size):
    """One icon image: a 32-bit DIB, bottom row first, then its AND mask."""
    info = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for y in reversed(range(size)):
        row_mask = bytearray(mask_stride)
        for x in range(size):
            r, g, b, a = icon_pixel(x + 0.5, y + 0.5, size)
            colour += struct.pack("<BBBB", b, g, r, a)
            if a == 0:
                row_mask[x // 8] |= 0x80 >> (x % 8)
        mask += row_mask
    return info + colour + mask


def write_icon(path):
    images = [(size, icon_image(size)) for size in (32, 16)]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(directory + entries + b"".join(data for _, data in images))


if __name__ == "__main__":
    write_background(os.path.join(HERE, "background.bmp"))
    write_icon(os.path.join(HERE, "touch.ico"))
