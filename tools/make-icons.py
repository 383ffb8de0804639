#!/usr/bin/python3
"""Writes the program's icons: data/icons/tapquill-<size>.png for the sizes a
desktop asks for, and data/icons/tapquill.ico (the same pictures, for the
Windows program).

Usage: /usr/bin/python3 tools/make-icons.py [output folder]   (default: data/icons)

The icon is drawn by code from the game's own glyph sheet (data/font.tga): a
dark rounded key cap holding a white "T" over a light blue "q" cursor line,
the colours of the target text and of a correctly typed character. Each size
is drawn on its own grid so that the glyph's pixels stay whole where the size
allows; edges are smoothed by 8x8 supersampling. Only the Python standard
library is used, and nothing time- or machine-dependent goes into the files,
so running it again reproduces them byte for byte.
"""

import os
import struct
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZES = (16, 24, 32, 48, 64, 128, 256)
SUPERSAMPLE = 8

BACKGROUND = (0x1d, 0x23, 0x36)
RIM = (0x3a, 0x45, 0x66)
WHITE = (0xff, 0xff, 0xff)
BLUE = (0xb3, 0xb3, 0xff)  # 0.7, 0.7, 1.0: a correctly typed character

# The glyph sheet: 16x16 cells of 32 pixels; each glyph is a 9x15 font
# bitmap drawn as 2x2 blocks, 8 pixels from the left of its cell.
CELL = 32
FONT_LEFT = 8
FONT_WIDTH = 9
FONT_HEIGHT = 15


def read_glyph(sheet_path, code):
    """The 9x15 bitmap of `code` as rows of booleans, top row first."""
    with open(sheet_path, "rb") as f:
        data = f.read()
    id_length, _, image_type = data[0], data[1], data[2]
    width, height, depth, descriptor = struct.unpack("<HHBB", data[12:18])
    if image_type != 2 or depth != 32 or width != 512 or height != 512:
        sys.exit("make-icons: %s is not the 512x512 32-bit glyph sheet" % sheet_path)
    pixels = data[18 + id_length:]
    top_down = descriptor & 0x20

    def alpha(x, y):  # y counted from the top of the picture
        row = y if top_down else height - 1 - y
        return pixels[(row * width + x) * 4 + 3]

    left = (code % 16) * CELL + FONT_LEFT
    top = (code // 16) * CELL
    return [[alpha(left + 2 * gx, top + 2 * gy) > 127 for gx in range(FONT_WIDTH)]
            for gy in range(FONT_HEIGHT)]


def ink_box(glyph):
    rows = [y for y, row in enumerate(glyph) if any(row)]
    columns = [x for x in range(FONT_WIDTH) if any(row[x] for row in glyph)]
    return columns[0], rows[0], columns[-1] + 1, rows[-1] + 1


def render(size, glyph):
    """RGBA rows of the icon at `size` pixels."""
    # The glyph's ink at a whole number of pixels per font pixel.
    x0, y0, x1, y1 = ink_box(glyph)
    ink_w, ink_h = x1 - x0, y1 - y0
    scale = max(1, round(size * 0.6 / ink_h))
    glyph_w, glyph_h = ink_w * scale, ink_h * scale
    bar_h = max(1, round(size / 16))
    gap = max(1, round(size / 16))
    block_h = glyph_h + gap + bar_h
    gx = (size - glyph_w) // 2
    gy = (size - block_h) // 2
    bar_y = gy + glyph_h + gap
    bar_x0 = round(size * 0.22)
    bar_x1 = size - bar_x0
    radius = size * 0.2
    rim = max(1.0, size / 32)

    def inside_cap(px, py, inset):
        # Rounded square from inset to size - inset.
        lo, hi = inset, size - inset
        r = max(radius - inset, 0.5)
        cx = min(max(px, lo + r), hi - r)
        cy = min(max(py, lo + r), hi - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r and lo <= px <= hi and lo <= py <= hi

    def colour_at(px, py):
        if not inside_cap(px, py, 0.0):
            return None
        if not inside_cap(px, py, rim):
            return RIM
        fx, fy = (px - gx) / scale, (py - gy) / scale
        if 0 <= fx < ink_w and 0 <= fy < ink_h and glyph[y0 + int(fy)][x0 + int(fx)]:
            return WHITE
        if bar_y <= py < bar_y + bar_h and bar_x0 <= px < bar_x1:
            return BLUE
        return BACKGROUND

    rows = []
    n = SUPERSAMPLE
    for y in range(size):
        row = bytearray()
        for x in range(size):
            r = g = b = a = 0
            for sy in range(n):
                for sx in range(n):
                    c = colour_at(x + (sx + 0.5) / n, y + (sy + 0.5) / n)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        a += 1
            if a == 0:
                row += bytes(4)
            else:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / (n * n))))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def ico(pictures):
    """An ICO file holding each (size, png bytes) as a PNG entry."""
    header = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(header) + 16 * len(pictures)
    entries = b""
    images = b""
    for size, data in pictures:
        dimension = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dimension, dimension, 0, 0, 1, 32, len(data), offset)
        images += data
        offset += len(data)
    return header + entries + images


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "icons")
    os.makedirs(output, exist_ok=True)
    glyph = read_glyph(os.path.join(ROOT, "data", "font.tga"), ord("T"))
    pictures = []
    for size in SIZES:
        data = png(size, render(size, glyph))
        with open(os.path.join(output, "tapquill-%d.png" % size), "wb") as f:
            f.write(data)
        pictures.append((size, data))
    with open(os.path.join(output, "tapquill.ico"), "wb") as f:
        f.write(ico([p for p in pictures if p[0] in (16, 24, 32, 48, 256)]))
    sys.stderr.write("make-icons: %d sizes written to %s\n" % (len(SIZES), output))


if __name__ == "__main__":
    main()
