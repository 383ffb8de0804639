#!/usr/bin/python3
"""Writes the end-to-end tests' own glyph sheet.

Every cell of the 16 x 16 sheet is a solid, fully opaque block whose grey
level encodes its byte value: cell b (0..127) has red = green = blue =
CELL_BASE + b, and the Latin-1 letters (cells 192..255) the grey levels below
that, b - 128 (64..127). Drawn under GL_MODULATE, a pixel inside a glyph is
that grey times the current colour, so its brightest channel names the byte
and the ratio of the other channels names the colour. Cells 128..191 are
opaque black: the tests never draw those bytes.

The file is a 512 x 512 uncompressed true-colour TGA, 32 bits per pixel,
8 alpha bits, rows stored bottom-up, pixels as blue, green, red, alpha.

Usage: glyph_sheet.py OUTPUT.tga
"""

import struct
import sys

SHEET_SIZE = 512
CELLS = 16
CELL_SIZE = SHEET_SIZE // CELLS
CELL_BASE = 128  # grey level of byte 0; byte b is CELL_BASE + b


LETTERS_BASE = 192  # the first Latin-1 letter, drawn at grey LETTERS_BASE - 128


def cell_grey(byte):
    """Grey level of the cell of `byte`, or 0 for the unused cells."""
    if byte < 128:
        return CELL_BASE + byte
    return byte - 128 if byte >= LETTERS_BASE else 0


def byte_of_grey(grey):
    """The byte whose cell has grey level `grey`, or None."""
    if CELL_BASE <= grey <= CELL_BASE + 127:
        return grey - CELL_BASE
    if LETTERS_BASE - 128 <= grey < CELL_BASE:
        return grey + 128
    return None


def glyph_sheet_tga():
    """The whole TGA file as bytes."""
    header = struct.pack(
        "<BBBHHBHHHHBB",
        0,  # no image id
        0,  # no colour map
        2,  # uncompressed true colour
        0, 0, 0,  # colour map fields (unused)
        0, 0,  # origin
        SHEET_SIZE, SHEET_SIZE,
        32,  # bits per pixel
        8,  # 8 alpha bits, bottom-up rows, left-to-right
    )
    rows = []
    # Stored bottom-up: file row 0 is the bottom row of the picture, which is
    # the bottom cell row (bytes 240..255).
    for file_row in range(SHEET_SIZE):
        top_row = SHEET_SIZE - 1 - file_row
        cell_row = top_row // CELL_SIZE
        row = bytearray()
        for cell_column in range(CELLS):
            grey = cell_grey(cell_row * CELLS + cell_column)
            row += bytes((grey, grey, grey, 255)) * CELL_SIZE
        rows.append(bytes(row))
    return header + b"".join(rows)


def write_glyph_sheet(path):
    with open(path, "wb") as out:
        out.write(glyph_sheet_tga())


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.stderr.write(__doc__)
        sys.exit(2)
    write_glyph_sheet(sys.argv[1])
