#!/usr/bin/python3
"""Writes the seed corpus of the fuzz harnesses: small valid and broken files
for each image reader, for the word sources and for the results file, into
fuzz/corpus/<reader>/.

Run it again after changing it; it rewrites the files it makes and leaves any
other file in the corpus folders alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(reader, name, data):
    folder = os.path.join(HERE, "corpus", reader)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


# --- TGA ---------------------------------------------------------------------

def tga_header(image_type, width, height, depth, id_length=0, map_type=0,
               map_length=0, entry_bits=0, descriptor=0, map_first=0):
    return struct.pack("<BBBHhBHHhhBB", id_length, map_type, image_type, map_first,
                       map_length, entry_bits, 0, 0, width, height, depth,
                       descriptor)


def tga_corpus():
    pixels32 = bytes([10, 20, 30, 40, 0, 128, 255, 255, 255, 0, 0, 0, 1, 2, 3, 4])
    write("tga", "true-colour-32.tga", tga_header(2, 2, 2, 32, descriptor=8) + pixels32)
    write("tga", "true-colour-24.tga",
          tga_header(2, 3, 2, 24) + bytes([0, 128, 255] * 3 + [9, 8, 7] * 3))
    write("tga", "true-colour-16.tga",
          tga_header(2, 2, 1, 16) + struct.pack("<HH", 0xFFFF, 0x7FFF))
    write("tga", "true-colour-8.tga", tga_header(2, 2, 2, 8) + bytes([0, 64, 128, 255]))
    write("tga", "grey-declared-16.tga", tga_header(3, 2, 2, 16) + bytes([1, 2, 3, 4]))
    write("tga", "id-field-with-zero.tga",
          tga_header(3, 1, 1, 8, id_length=6) + b"ab\0cd\0" + bytes([200]))
    palette24 = bytes([0, 0, 0, 255, 255, 255, 0, 255, 0, 0, 0, 255])
    write("tga", "mapped-24.tga",
          tga_header(1, 3, 2, 8, map_type=1, map_length=4, entry_bits=24) + palette24 +
          bytes([0, 1, 2, 3, 9, 255]))
    write("tga", "mapped-16.tga",
          tga_header(1, 2, 1, 8, map_type=1, map_length=2, entry_bits=16) +
          struct.pack("<HH", 0x8000, 0x7C1F) + bytes([1, 0]))
    write("tga", "mapped-32.tga",
          tga_header(1, 2, 1, 8, map_type=1, map_length=1, entry_bits=32) +
          bytes([1, 2, 3, 4]) + bytes([0, 0]))
    write("tga", "mapped-8.tga",
          tga_header(1, 2, 2, 8, map_type=1, map_length=3, entry_bits=8) +
          bytes([0, 128, 255]) + bytes([0, 1, 2, 3]))
    write("tga", "mapped-negative-length.tga",
          tga_header(1, 1, 1, 8, map_type=1, map_length=-2, entry_bits=24) + bytes([0]))
    write("tga", "mapped-bad-entry.tga",
          tga_header(1, 1, 1, 8, map_type=1, map_length=1, entry_bits=40) + bytes(6))
    write("tga", "true-colour-with-colour-map.tga",
          tga_header(2, 2, 1, 24, map_type=1, map_length=2, entry_bits=24) + bytes(range(12)))
    write("tga", "grey-with-colour-map-15.tga",
          tga_header(3, 2, 1, 8, map_type=1, map_length=3, entry_bits=15) + bytes(range(8)))
    write("tga", "true-colour-15.tga",
          tga_header(2, 2, 1, 15) + struct.pack("<HH", 0xFFFF, 0x7C00))
    write("tga", "mapped-15-first-entry.tga",
          tga_header(1, 4, 1, 8, map_type=1, map_length=2, entry_bits=15, map_first=2) +
          struct.pack("<HH", 0x83E0, 0x001F) + bytes([1, 2, 3, 4]))
    write("tga", "rle-10.tga", tga_header(10, 2, 2, 32, id_length=3) + b"rle" + bytes([0x81]) +
          bytes(8))
    write("tga", "type-0.tga", tga_header(0, 0, 0, 0))
    write("tga", "depth-40.tga", tga_header(2, 1, 1, 40) + bytes(5))
    write("tga", "truncated-pixels.tga", tga_header(2, 4, 4, 32) + bytes([1, 2, 3, 4, 5, 6]))
    write("tga", "truncated-header.tga", tga_header(2, 4, 4, 32)[:11])
    write("tga", "zero-width.tga", tga_header(2, 0, 5, 24))
    write("tga", "negative-width.tga", tga_header(2, -1, 2, 24) + bytes(6))
    write("tga", "negative-height.tga", tga_header(3, 2, -32768, 8) + bytes(2))
    write("tga", "empty.tga", b"")
    # 4 MiB of floats, the size from which pixel arrays take huge pages.
    write("tga", "large-grey-truncated.tga", tga_header(3, 1024, 1024, 8) + bytes([7, 9]))
    # 64 MiB of floats: above the harnesses' array limit, so out of memory.
    write("tga", "larger-than-the-limit.tga", tga_header(2, 2048, 2048, 32) + bytes(4))


# --- BMP ---------------------------------------------------------------------

def bmp_file(width, height, rows=b"", file_type=b"BM", offset=54, info_size=40, bits=24,
             compression=0):
    header = file_type + struct.pack("<IHHI", 54 + len(rows), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       len(rows), 2835, 2835, 0, 0)
    return header + info + rows


def bmp_rows(width, height, seed=7):
    out = bytearray()
    value = seed
    padding = (4 - (3 * width) % 4) % 4
    for _ in range(height):
        for _ in range(3 * width):
            value = (value * 131 + 17) % 256
            out.append(value)
        out += bytes(padding)
    return bytes(out)


def bmp_corpus():
    two_by_two = bytes([0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0])
    write("bmp", "two-by-two.bmp", bmp_file(2, 2, two_by_two))
    write("bmp", "one-wide.bmp", bmp_file(1, 3, bmp_rows(1, 3)))
    write("bmp", "four-wide.bmp", bmp_file(4, 2, bmp_rows(4, 2)))
    write("bmp", "three-wide.bmp", bmp_file(3, 3, bmp_rows(3, 3)))
    write("bmp", "top-down.bmp", bmp_file(2, -2, two_by_two))
    write("bmp", "truncated.bmp", bmp_file(5, 5, bmp_rows(5, 5)[:20]))
    write("bmp", "headers-only.bmp", bmp_file(3, 2))
    write("bmp", "truncated-header.bmp", bmp_file(3, 2)[:30])
    write("bmp", "not-bm.bmp", bmp_file(2, 2, two_by_two, file_type=b"MB"))
    write("bmp", "colour-table-8.bmp", bmp_file(2, 2, bytes(1024) + bytes(8), offset=1078,
                                                 bits=8))
    write("bmp", "info-108.bmp", bmp_file(2, 2, two_by_two, info_size=108))
    write("bmp", "info-12.bmp", bmp_file(2, 2, two_by_two, info_size=12))
    write("bmp", "rle-compressed.bmp", bmp_file(2, 2, two_by_two, compression=1))
    write("bmp", "bits-32.bmp", bmp_file(2, 2, bytes(16), bits=32))
    write("bmp", "zero-width.bmp", bmp_file(0, 4))
    write("bmp", "zero-height.bmp", bmp_file(4, 0))
    write("bmp", "negative-width.bmp", bmp_file(-2, 2, two_by_two))
    write("bmp", "lowest-height.bmp", bmp_file(1, -2**31))
    write("bmp", "empty.bmp", b"")
    write("bmp", "large-truncated.bmp", bmp_file(700, 700, bmp_rows(700, 1)))
    write("bmp", "larger-than-the-limit.bmp", bmp_file(2048, 2048))


# --- PNM ---------------------------------------------------------------------

def pnm_corpus():
    write("pnm", "p1-plain-bitmap.pbm", b"P1\n3 1\n1 0 1\n")
    write("pnm", "p2-plain-grey.pgm", b"P2\n2 2\n4\n0 4\n2 4\n")
    write("pnm", "p3-plain-colour.ppm", b"P3\n# a comment\n2 2\n255\n255 0 0  0 255 0\n"
                                        b"0 0 255  255 255 255\n")
    write("pnm", "p4-raw-bitmap.pbm", b"P4\n10 2\n" + bytes([0b10100000, 0b11111111,
                                                            0b01000000, 0b00111111]))
    write("pnm", "p5-raw-grey-maxval-15.pgm", b"P5\n3 1\n15\n" + bytes([0, 15, 16]))
    write("pnm", "p6-raw-colour.ppm", b"P6 2 1 255\n" + bytes([255, 0, 0, 0, 0, 255]))
    write("pnm", "p6-maxval-65535.ppm", b"P6\n1 2\n65535\n" + bytes(range(6)))
    write("pnm", "p5-maxval-1023.pgm", b"P5\n3 1\n1023\n" + bytes([3, 255, 0, 0, 2, 0]))
    write("pnm", "p1-bit-runs.pbm", b"P1\n3 2\n010\n101\n")
    write("pnm", "p1-bit-runs-with-junk.pbm", b"P1 5 1 01 1x0")
    write("pnm", "crlf-comment.pgm", b"P5\r\n# made on a PC\r\n3 1\r\n255\n\x00\x80\xff")
    write("pnm", "comments-everywhere.pgm",
          b"P2\n# first\n#\n2 # after width\n2\n# before maxval\n255\n1 2 3 4\n")
    write("pnm", "long-comment.pgm", b"P5\n#" + b"x" * 300 + b"\n1 1\n255\n\x80")
    write("pnm", "comment-without-end.pgm", b"P2 #" + b"y" * 50)
    write("pnm", "carriage-returns.ppm", b"P3\r\n1 1\r\n255\r\n1 2 3\r\n")
    write("pnm", "space-before-kind.pgm", b"P 5\n1 1\n255\n\x10")
    write("pnm", "lower-case-p.pbm", b"p1 2 2 0 1 1 0")
    write("pnm", "signs.pgm", b"P2 +2 1 +9 -3 +4")
    write("pnm", "truncated-raster.ppm", b"P6\n4 4\n255\n" + bytes([1, 2, 3, 4, 5]))
    write("pnm", "truncated-plain.pgm", b"P2 3 3 9 1 2")
    write("pnm", "garbage-sample.pgm", b"P2 3 1 9 1 x 3")
    write("pnm", "kind-7.pam", b"P7\nWIDTH 1\n")
    write("pnm", "kind-0.pnm", b"P0 1 1 1 0")
    write("pnm", "letter-q.ppm", b"Q6 1 1 255 abc")
    write("pnm", "negative-width.pgm", b"P5 -3 2 255\n" + bytes(6))
    write("pnm", "zero-height.ppm", b"P6 3 0 255\n")
    write("pnm", "maxval-0.pgm", b"P2 1 1 0 0")
    write("pnm", "overflowing-width.pgm", b"P5 99999999999 1 255\n\x00")
    write("pnm", "missing-height.pbm", b"P1 4\n")
    write("pnm", "header-only-P.pnm", b"P")
    write("pnm", "empty.pnm", b"")
    write("pnm", "large-plain-truncated.pgm", b"P2 1100 1000 255 1 2 3")
    write("pnm", "larger-than-the-limit.ppm", b"P6 2048 2048 255\n" + bytes(30))


# --- word sources --------------------------------------------------------------

def words_corpus():
    write("words", "one-per-line.dat", b"alpha\nbeta\ngamma\n")
    write("words", "tabs-and-crlf.dat", b"a\tb\tc\r\nd\r\n\r\n  e\x0b f\x0c g\rh")
    write("words", "high-bytes-and-ctrl-z.dat", b"caf\xc3\xa9 \x80\xff\x00x\x1aafter ctrl-z")
    write("words", "only-whitespace.dat", b" \t\r\n\n  ")
    write("words", "empty.dat", b"")
    write("words", "verses.dat",
          b"1:1 In the beginning\nwas the word\n\n1:2 threescore and 10 years\n\n")
    write("words", "verse-line-feeds.dat", b"one\n\n\n\ntwo\n\n\nthree\n\nlast\n")
    write("words", "reference-without-space.dat", b"kept\n\n12:34")
    write("words", "crlf-verses.dat", b"4:5 a\r\nb\r\n\r\n6:7 c\r\r\n\r\n")
    data = os.path.join(HERE, "..", "data")
    for name in ("dictionary.dat", "bible.dat"):
        with open(os.path.join(data, name), "rb") as source:
            write("words", "start-of-" + name, source.read(1500))


# --- results file ------------------------------------------------------------

RESULTS_HEADER = (b"time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,"
                  b"target,mistyped\r\n")
RECORD = b'2026-12-07T18:23:06+01:00,words,2,5,1,12000,0.833333,20.000000,"ab cd","c>x"\r\n'


def history_corpus():
    write("history", "two-records.csv", RESULTS_HEADER + RECORD +
          b'2026-12-07T18:25:00-05:30,verses,,9,0,3000,30.000000,0.000000,"%3Dx ""y"" %E9",""\r\n')
    write("history", "every-kind-of-byte.csv", RESULTS_HEADER + b"2026-12-07T18:23:06+00:00,"
          b'verses,,4,2,1,40000.000000,50.000000,"%00%FF%25,","%00>%0A %FF>%1A"\r\n')
    write("history", "damaged-lines.csv", RESULTS_HEADER + RECORD + b"garbage\n" + RECORD[:40] +
          b"\n\n" + b'"unclosed,' + b"\r\n" + RECORD.replace(b"\r\n", b""))
    write("history", "infinite-speed.csv", RESULTS_HEADER +
          RECORD.replace(b"0.833333", b"inf").replace(b"12000", b"0"))
    write("history", "empty.csv", b"")


# Today's columns: language, source and the keystrokes' timing.
HEADER_2 = (b"time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
            b"mistyped,language,source,keystrokes\r\n")


def keystrokes(intervals, mistyped_at=()):
    """The keystrokes field: base 26 in letters, the last digit lower-case,
    '*' before a mistyped character."""
    field = ""
    for position, value in enumerate(intervals):
        digits = []
        while True:
            digits.append(value % 26)
            value //= 26
            if value == 0:
                break
        field += "*" if position in mistyped_at else ""
        field += "".join(chr(65 + d) for d in reversed(digits[1:])) + chr(97 + digits[0])
    return field.encode("ascii")


def timed_record(mode=b"words", words=b"2", language=b"en", source=b'""',
                 intervals=(310, 180, 205, 160, 379), mistyped_at=(3,)):
    return (b"2026-12-07T18:23:06+01:00," + mode + b"," + words +
            b',5,1,1234,40.518639,20.000000,"ab cd","c>x",' + language + b"," + source + b"," +
            keystrokes(intervals, mistyped_at) + b"\r\n")


def timing_corpus():
    write("history", "timed-records.csv", HEADER_2 + timed_record() +
          timed_record(b"practice", language=b"de", intervals=(0, 25, 26, 675, 676)) +
          timed_record(b"text", b"", b"", b'"/home/me/notes, %22draft%22.txt"') +
          timed_record(b"verses", b"", b"", intervals=(120, 2**32 - 1, 1, 17576, 9)))
    damaged = [keystrokes((1, 2, 3, 4)), keystrokes((1, 2, 3, 4, 5, 6), (3,)),
               keystrokes((1, 2, 3, 4, 5), (1,)), keystrokes((1, 2, 3, 4, 5)),
               b"EqEqEq*Eq*Eq", b"EqEqEq*EqE", b"EqEqEq*EqE7", b"EqEqEq*EqZZZZZZZZz",
               b"EqEqEq**EqEq", b"*"]
    body = timed_record()
    start = body[:body.rindex(b",") + 1]
    write("history", "damaged-keystrokes.csv",
          HEADER_2 + b"".join(start + field + b"\r\n" for field in damaged))
    write("history", "eleven-to-fourteen-fields.csv", RESULTS_HEADER + RECORD +
          RECORD.replace(b"\r\n", b",en\r\n") + RECORD.replace(b"\r\n", b',en,""\r\n') +
          timed_record() + timed_record().replace(b"\r\n", b",later\r\n"))
    write("history", "old-file-to-upgrade.csv", RESULTS_HEADER + RECORD + b"\r\n" +
          RESULTS_HEADER + RECORD.replace(b"\r\n", b"\n") + b"garbage,\r\r\n" +
          RECORD[:-2] + b"x" * 300 + b"\r\n" + RECORD[:-2])


# --- the player's own text ---------------------------------------------------

def text_corpus():
    write("text", "paragraphs.txt", b"One line\nand  the\tnext\r\n\r\n \t \nSecond\rthird\n")
    write("text", "punctuation-utf8-bom.txt", "\ufeff\u201cHi\u201d \u2014 it\u2019s\u2026 "
          "a\u00a0b soft\u00adhyphen \ufb01ne c\u0153ur Cafe\u0301 \u20ac \u4e2d\u2029"
          "next\u2028line".encode("utf-8"))
    write("text", "utf16-le.txt", "\ufeff\u00e9t\u00e9\n\nb \U0001F600".encode("utf-16-le"))
    write("text", "utf16-be.txt", "\ufeffa\u2026\u00e7".encode("utf-16-be") + b"\x00")
    write("text", "windows-1252.txt", b"caf\xe9 \x93quoted\x94\x85 \x96 \x80\x81\x1a\x00 \xa0x")
    write("text", "long-paragraph.txt", b" ".join(b"w" * (n % 13 + 1) for n in range(400)) +
          b" " + b"z" * 700)
    write("text", "broken-utf8.txt", b"ok \xc3\xa9 \xed\xa0\x80 \xf4\x90\x80\x80 \xc3")
    write("text", "nothing-typeable.txt", "\u4e2d\u6587\n\n\t".encode("utf-8"))


def timed_history_corpus():
    """Enough timed word records for the keystroke sections and a practice plan:
    "ab cd ef" typed with c mistyped now and then, one record with the longest
    interval the field holds, and one of another language."""
    header = (b"time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
              b"mistyped,language,source,keystrokes\r\n")
    lines = []
    for i in range(12):
        mode = b"practice" if i % 3 == 0 else b"words"
        if i % 2:
            lines.append(b"2026-12-07T18:%02d:00+01:00,%s,3,8,1,2000,40.000000,12.500000,"
                         b'"ab cd ef","c>x",en,"",KoFyGe*EqLaFyGeKo\r\n' % (i, mode))
        else:
            lines.append(b"2026-12-07T18:%02d:00+01:00,%s,3,8,0,2000,40.000000,0.000000,"
                         b'"ab cd ef","",en,"",KoFyGeEqLaNXMRLXvGeKo\r\n' % (i, mode))
    lines.append(b'2026-12-07T19:00:00+01:00,words,1,2,0,100,200.000000,0.000000,"ab","",de,"",'
                 b"az\r\n")
    write("history", "timed-history.csv", header + b"".join(lines))


if __name__ == "__main__":
    tga_corpus()
    bmp_corpus()
    pnm_corpus()
    words_corpus()
    history_corpus()
    timing_corpus()
    text_corpus()
    timed_history_corpus()
