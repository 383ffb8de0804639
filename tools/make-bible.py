#!/usr/bin/python3
"""Writes bible.dat: every verse of the King James Version in canonical order.

Usage: /usr/bin/python3 tools/make-bible.py [output]   (default: data/bible.dat)

The text comes from the `bible` program of the Debian packages bible-kjv and
bible-kjv-text, which prints one verse a line as "Ge1:1 In the beginning...".
Each verse is written as "chapter:verse text", a line feed and an empty line.
The game's reader drops a run that starts with a digit up to and including
the next space, so the reference disappears while the text stays whole; for
the same reason a digit inside a verse's text would swallow words, and the
script refuses to write such a file.
"""

import os
import re
import subprocess
import sys

EXPECTED_VERSES = 31102
EXPECTED_BOOKS = 66
LINE = re.compile(r"^([1-3]?[A-Za-z]+)([0-9]+):([0-9]+) (.*)$")


def fail(message):
    sys.stderr.write("make-bible: %s\n" % message)
    sys.exit(1)


def read_verses():
    raw = subprocess.run(
        ["bible", "-f", "Gen1:1-Rev22:21"],
        check=True,
        stdout=subprocess.PIPE,
        stdin=subprocess.DEVNULL,
        env=dict(os.environ, LC_ALL="C"),
    ).stdout
    try:
        text = raw.decode("ascii")
    except UnicodeDecodeError as err:
        fail("text is not plain ASCII: %s" % err)

    verses = []
    books = []
    last = None
    for number, line in enumerate(text.split("\n"), 1):
        if line == "":
            continue
        match = LINE.match(line)
        if not match:
            fail("line %d has no book, chapter and verse: %r" % (number, line))
        book, chapter, verse, body = match.groups()
        chapter, verse = int(chapter), int(verse)
        if books == [] or books[-1] != book:
            if book in books:
                fail("book %s appears twice (line %d)" % (book, number))
            books.append(book)
            expected = (1, 1)
        elif chapter == last[0]:
            expected = (chapter, last[1] + 1)
        else:
            expected = (last[0] + 1, 1)
        if (chapter, verse) != expected:
            fail("line %d: %s%d:%d out of order" % (number, book, chapter, verse))
        if re.search(r"[0-9]", body):
            fail("digit in the text of %s%d:%d: %r" % (book, chapter, verse, body))
        if "\r" in body or "\x1a" in body:
            fail("control character in %s%d:%d" % (book, chapter, verse))
        last = (chapter, verse)
        verses.append("%d:%d %s\n\n" % (chapter, verse, body))

    if len(books) != EXPECTED_BOOKS:
        fail("%d books, expected %d" % (len(books), EXPECTED_BOOKS))
    if len(verses) != EXPECTED_VERSES:
        fail("%d verses, expected %d" % (len(verses), EXPECTED_VERSES))
    return verses


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "data", "bible.dat")
    verses = read_verses()
    with open(output, "wb") as out:
        out.write("".join(verses).encode("ascii"))
    sys.stderr.write("make-bible: %d verses written to %s\n" % (len(verses), output))


if __name__ == "__main__":
    main()
