#!/usr/bin/python3
"""Two programs append 1000 records each to one results file at once, starting
without the file: it must end with one header and 2000 whole lines, each
writer's in its own order.

Usage: concurrent_appends.py TOOL [EMULATOR...]
"""
import os
import shutil
import subprocess
import sys
import tempfile

COUNT = 1000
HEADER = ("time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
          "mistyped,language,source,keystrokes\r\n")
FIELDS = HEADER.count(",") + 1


def main():
    command = sys.argv[2:] + [os.path.abspath(sys.argv[1])]
    folder = tempfile.mkdtemp(prefix="tapquill-appends-")
    try:
        path = os.path.join(folder, "kept", "results.csv")
        writers = [subprocess.Popen(command + [path, tag, str(COUNT)]) for tag in ("A", "B")]
        statuses = [writer.wait(300) for writer in writers]
        if statuses != [0, 0]:
            sys.exit("the writers exited with %s" % statuses)
        with open(path, "rb") as results:
            lines = results.read().decode("ascii").split("\r\n")
        if lines[-1] != "":
            sys.exit("the file does not end with a whole line")
        lines = lines[:-1]
        if lines[0] + "\r\n" != HEADER or len(lines) != 2 * COUNT + 1:
            sys.exit("expected the header and %d lines, found %d lines starting %r"
                     % (2 * COUNT, len(lines), lines[0]))
        seen = {"A": [], "B": []}
        for number, line in enumerate(lines[1:], 2):
            fields = line.split(",")
            target = fields[8].strip('"').split(" ") if len(fields) == FIELDS else []
            if (len(fields) != FIELDS or len(target) != 3 or target[0] not in seen
                    or target[2] != "x" * (300 - len(target[0]) - len(target[1]) - 2)
                    or fields[5] != str(1000 + int(target[1]))):
                sys.exit("line %d is not one whole record: %r" % (number, line[:120]))
            seen[target[0]].append(int(target[1]))
        for tag, numbers in seen.items():
            if numbers != list(range(COUNT)):
                sys.exit("writer %s's records are not all there in order" % tag)
        print("2 x %d records, every line whole" % COUNT)
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
