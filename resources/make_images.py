#!/usr/bin/env python3
"""Writes the viewer's cursor and icon files next to this script:

  cursor1.cur      CURSOR_1: 32 x 32 monochrome selection cursor, hot spot
                   (16, 16), drawn in white with a black edge so that it shows
                   on the dark picture backgrounds it is used on.
  vokagraphic.ico  the program icon, 32 x 32 and 16 x 16, 32 bits per pixel:
                   a few particle tracks on a navy ground.

Both files are committed; run this script again only after changing it:
    python3 resources/make_images.py
Standard library only.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


# ---------------------------------------------------------------- cursor --

def cursor_masks():
    """Returns (and_rows, xor_rows): 32 rows of 32 booleans each, top row
    first.  Pixel shown as: and=1,xor=0 transparent; and=0,xor=1 white;
    and=0,xor=0 black."""
    size = 32
    white = [[False] * size for _ in range(size)]
    cx = cy = 16
    # Cross hair with a gap around the hot spot, and a small square frame.
    for i in range(2, 31):
        if abs(i - cx) >= 4:
            white[cy][i] = True
            white[i][cx] = True
    for i in range(cx - 6, cx + 7):
        for j in (cy - 6, cy + 6):
            white[j][i] = True
            white[i][j] = True
    white[cy][cx] = True
    # A black edge around every white pixel keeps the shape visible on light
    # parts of a picture as well.
    black = [[False] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if white[y][x]:
                continue
            for dy in (-1, 0, 1):
                for dx in (-1, 0, 1):
                    yy, xx = y + dy, x + dx
                    if 0 <= yy < size and 0 <= xx < size and white[yy][xx]:
                        black[y][x] = True
    and_rows = [[not (white[y][x] or black[y][x]) for x in range(size)] for y in range(size)]
    xor_rows = [[white[y][x] for x in range(size)] for y in range(size)]
    return and_rows, xor_rows


def pack_rows_1bpp(rows):
    """Bottom-up rows of 1-bit pixels, each row padded to 4 bytes."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        data = bytearray()
        for i, v in enumerate(row):
            bits = (bits << 1) | (1 if v else 0)
            if i % 8 == 7:
                data.append(bits)
                bits = 0
        while len(data) % 4:
            data.append(0)
        out += data
    return bytes(out)


def write_cursor(path):
    and_rows, xor_rows = cursor_masks()
    header = struct.pack('<IiiHHIIiiII', 40, 32, 64, 1, 1, 0, 0, 0, 0, 2, 0)
    palette = struct.pack('<BBBB', 0, 0, 0, 0) + struct.pack('<BBBB', 255, 255, 255, 0)
    image = header + palette + pack_rows_1bpp(xor_rows) + pack_rows_1bpp(and_rows)
    # ICONDIR (type 2 = cursor) and one entry whose planes / bit-count fields
    # hold the hot spot.
    directory = struct.pack('<HHH', 0, 2, 1)
    entry = struct.pack('<BBBBHHII', 32, 32, 2, 0, 16, 16, len(image), 6 + 16)
    with open(path, 'wb') as f:
        f.write(directory + entry + image)


# ------------------------------------------------------------------ icon --

def icon_pixels(size):
    """size x size RGBA pixels (top row first) of the icon picture."""
    s = size / 32.0
    navy = (0, 0, 128, 255)
    px = [[navy for _ in range(size)] for _ in range(size)]

    def plot(x, y, colour):
        xi, yi = int(round(x)), int(round(y))
        if 0 <= xi < size and 0 <= yi < size:
            px[yi][xi] = colour

    def line(x0, y0, x1, y1, colour, width=1):
        n = int(max(abs(x1 - x0), abs(y1 - y0)) * s * 2) + 1
        for k in range(n + 1):
            t = k / n
            x = (x0 + (x1 - x0) * t) * s
            y = (y0 + (y1 - y0) * t) * s
            plot(x, y, colour)
            if width > 1:
                plot(x + 1, y, colour)

    white = (255, 255, 255, 255)
    red = (255, 64, 64, 255)
    yellow = (255, 230, 60, 255)
    cyan = (80, 220, 255, 255)
    # Frame of the picture area.
    for i in range(size):
        px[0][i] = px[size - 1][i] = px[i][0] = px[i][size - 1] = white
    # An incoming electron that showers into branching tracks.
    line(2, 16, 12, 16, red, 2)
    line(12, 16, 20, 10, red)
    line(20, 10, 29, 6, red)
    line(12, 16, 19, 21, cyan)
    line(19, 21, 29, 25, cyan)
    line(19, 21, 25, 29, yellow)
    line(20, 10, 26, 3, yellow)
    line(15, 18, 29, 16, white)
    return px


def icon_image(size):
    """BITMAPINFOHEADER, 32-bit BGRA bottom-up pixels and the AND mask."""
    px = icon_pixels(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(px):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = pack_rows_1bpp([[False] * size for _ in range(size)])
    return header + bytes(colour) + mask


def write_icon(path):
    images = [icon_image(32), icon_image(16)]
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b''
    for size, image in zip((32, 16), images):
        entries += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, 'wb') as f:
        f.write(directory + entries + b''.join(images))


if __name__ == '__main__':
    write_cursor(os.path.join(HERE, 'cursor1.cur'))
    write_icon(os.path.join(HERE, 'vokagraphic.ico'))
    print('wrote cursor1.cur and vokagraphic.ico')
