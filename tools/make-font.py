#!/usr/bin/python3
"""Writes font.tga: the game's glyph sheet.

Usage: /usr/bin/python3 tools/make-font.py [output]   (default: data/font.tga)

Source: the public-domain X11 misc-fixed 9x15 bold face (9x15B.pcf.gz from the
Debian package xfonts-base), read with the PCF loader of python3-pil. Every
font pixel becomes a 2x2 block, so strokes are at least two pixels wide and
each glyph keeps its shape under an alpha test when the sheet is shown at 16
pixels a cell (the first mipmap level).

Sheet layout: 512x512 pixels, 16x16 cells of 32 pixels; the glyph for byte b
sits in column b mod 16 and row b div 16 counted from the top of the picture.
Filled: printable ASCII 33..126 and Latin-1 161..255, and byte 26, which the
game types for a character beyond Latin-1 (--keyboard system): it is drawn as
a hollow box, the usual mark of a character a font cannot show. Every other
cell, the space (32) and the no-break space (160) included, is empty. Every
pixel is white; the shape is in alpha (255 inside a glyph, 0 outside).

File: uncompressed true-colour TGA (image type 2), 32 bits a pixel, image
descriptor 8 (eight alpha bits, bottom-left origin), no ID field and no
colour map, so the rows are stored from the bottom of the picture upwards in
B, G, R, A order.
"""

import gzip
import os
import struct
import sys

from PIL import PcfFontFile

FONT_FILE = "/usr/share/fonts/X11/misc/9x15B.pcf.gz"
SHEET = 512
CELL = 32
SCALE = 2
# Offsets of the 9x15 font box (18x30 after scaling) inside a 32-pixel cell.
# The ink of printable ASCII spans font columns 0..7 and rows 1..14, so these
# even offsets centre it exactly (16x28 pixels with 8 and 2 pixel margins)
# and keep every 2x2 block on one texel of the half-size mipmap level.
OFFSET_X = 8
OFFSET_Y = 0
FONT_WIDTH = 9
FONT_HEIGHT = 15

CODES = list(range(33, 127)) + list(range(161, 256))
# The character that stands for one beyond Latin-1, and its box: font columns
# 1 to 7 and rows 2 to 13, one font pixel thick.
UNMATCHED = 26
BOX = (1, 2, 7, 13)


def fail(message):
    sys.stderr.write("make-font: %s\n" % message)
    sys.exit(1)


def load_glyphs():
    with gzip.open(FONT_FILE, "rb") as fp:
        font = PcfFontFile.PcfFontFile(fp, "iso8859-1")
    glyphs = {}
    for code in CODES:
        glyph = font.glyph[code]
        if not glyph:
            fail("the font has no glyph for byte %d" % code)
        bitmap = glyph[3]
        if bitmap.size != (FONT_WIDTH, FONT_HEIGHT):
            fail("glyph %d is %dx%d, expected %dx%d" % ((code,) + bitmap.size + (FONT_WIDTH, FONT_HEIGHT)))
        glyphs[code] = [
            [bitmap.getpixel((x, y)) != 0 for x in range(FONT_WIDTH)] for y in range(FONT_HEIGHT)
        ]
    return glyphs


def box_glyph():
    left, top, right, bottom = BOX
    return [[left <= x <= right and top <= y <= bottom
             and (x in (left, right) or y in (top, bottom))
             for x in range(FONT_WIDTH)] for y in range(FONT_HEIGHT)]


def render_alpha(glyphs):
    """Alpha plane of the sheet, rows listed from the top of the picture."""
    alpha = [bytearray(SHEET) for _ in range(SHEET)]
    for code, rows in glyphs.items():
        left = (code % 16) * CELL + OFFSET_X
        top = (code // 16) * CELL + OFFSET_Y
        for gy, row in enumerate(rows):
            for gx, ink in enumerate(row):
                if not ink:
                    continue
                for dy in range(SCALE):
                    line = alpha[top + gy * SCALE + dy]
                    for dx in range(SCALE):
                        line[left + gx * SCALE + dx] = 255
    return alpha


def tga_bytes(alpha):
    header = struct.pack(
        "<BBBHHBHHHHBB",
        0,  # ID field length
        0,  # no colour map
        2,  # uncompressed true-colour
        0, 0, 0,  # colour map: first entry, length, entry size
        0, 0,  # x and y origin
        SHEET, SHEET,
        32,  # bits a pixel
        8,  # eight alpha bits, bottom-left origin
    )
    assert len(header) == 18
    body = bytearray()
    for row in reversed(alpha):  # bottom row of the picture first
        for a in row:
            body += bytes((255, 255, 255, a))
    return header + bytes(body)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "font.tga")
    glyphs = load_glyphs()
    glyphs[UNMATCHED] = box_glyph()
    data = tga_bytes(render_alpha(glyphs))
    with open(output, "wb") as out:
        out.write(data)
    sys.stderr.write("make-font: %d glyphs, %d bytes written to %s\n" % (len(glyphs), len(data), output))


if __name__ == "__main__":
    main()
