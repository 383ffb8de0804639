#!/usr/bin/python3
"""Programs appending to one results file at once.

    concurrent_appends.py appends TOOL [EMULATOR...]
Two programs append 1000 records each, starting without the file: it must end
with one header and 2000 whole lines, each writer's in its own order.

    concurrent_appends.py upgrade TOOL [EMULATOR...]
The same two programs on a file of 1.0.0 holding records, the second one
started while the first one is in the middle of the upgrade: the file must be
upgraded once, its old self kept beside it byte for byte, and hold every old
and new record once, each line with this version's 13 fields. Then a program
that stops dead after each step of the upgrade must leave the whole old file
or the whole new one, and the next program must finish the job.
"""
import os
import shutil
import subprocess
import sys
import tempfile

COUNT = 1000
OLD_COUNT = 200
HEADER = ("time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
          "mistyped,language,source,keystrokes\r\n")
OLD_HEADER = ("time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
              "mistyped\r\n")
FIELDS = HEADER.count(",") + 1


def fail(message):
    sys.exit(message)


def target(tag, number):
    start = "%s %d " % (tag, number)
    return start + "x" * (300 - len(start))


def old_file():
    """A 1.0.0 file whose records look like the tool's, tagged OLD."""
    lines = [OLD_HEADER]
    for number in range(OLD_COUNT):
        lines.append('2026-12-01T10:00:00+00:00,words,60,300,0,%d,3000.000000,0.000000,"%s",""\r\n'
                     % (1000 + number, target("OLD", number)))
    return "".join(lines).encode("ascii")


def upgraded(old):
    """What the upgrade makes of `old`: the new header, three empty fields
    before the end of every record."""
    lines = old.decode("ascii").split("\r\n")[:-1]
    return (HEADER + "".join(line + ",,,\r\n" for line in lines[1:])).encode("ascii")


def records(path, tags):
    """The records of the file at `path`, checked whole, by tag, in order."""
    with open(path, "rb") as results:
        lines = results.read().decode("ascii").split("\r\n")
    if lines[-1] != "":
        fail("the file does not end with a whole line")
    if lines[0] + "\r\n" != HEADER:
        fail("the file starts with %r" % lines[0])
    seen = {tag: [] for tag in tags}
    for number, line in enumerate(lines[1:-1], 2):
        fields = line.split(",")
        words = fields[8].strip('"').split(" ") if len(fields) == FIELDS else []
        if (len(fields) != FIELDS or len(words) != 3 or words[0] not in seen
                or fields[8] != '"%s"' % target(words[0], int(words[1]))
                or fields[5] != str(1000 + int(words[1]))):
            fail("line %d is not one whole record: %r" % (number, line[:120]))
        seen[words[0]].append(int(words[1]))
    return seen


def run(command, path, tag, count, *step, **options):
    return subprocess.Popen(command + [path, tag, str(count)] + list(step), **options)


def appends(command, folder):
    path = os.path.join(folder, "kept", "results.csv")
    writers = [run(command, path, tag, COUNT) for tag in ("A", "B")]
    statuses = [writer.wait(300) for writer in writers]
    if statuses != [0, 0]:
        fail("the writers exited with %s" % statuses)
    for tag, numbers in records(path, ["A", "B"]).items():
        if numbers != list(range(COUNT)):
            fail("writer %s's records are not all there in order" % tag)
    print("2 x %d records, every line whole" % COUNT)


def contents(path):
    with open(path, "rb") as file:
        return file.read()


def check_backup(folder, old):
    names = sorted(os.listdir(folder))
    backups = [name for name in names if name.startswith("results-")]
    if backups != ["results-1.0.0.csv"]:
        fail("expected one backup, results-1.0.0.csv, found %s" % names)
    if contents(os.path.join(folder, backups[0])) != old:
        fail("the backup is not the old file as it was")


def upgrade_at_once(command, folder):
    old = old_file()
    path = os.path.join(folder, "results.csv")
    with open(path, "wb") as file:
        file.write(old)
    # The first one stops for a while with the new file written and flushed,
    # still holding the old one; the second one comes to wait for it then.
    first = run(command, path, "A", COUNT, "pause:2", stdout=subprocess.PIPE)
    if first.stdout.readline().strip() != b"paused":
        fail("the first writer did not reach the upgrade")
    writers = [first, run(command, path, "B", COUNT)]
    statuses = [writer.wait(300) for writer in writers]
    first.stdout.close()
    if statuses != [0, 0]:
        fail("the writers exited with %s" % statuses)
    check_backup(folder, old)
    if not contents(path).startswith(upgraded(old)):
        fail("the old records are not first, each upgraded")
    for tag, numbers in records(path, ["OLD", "A", "B"]).items():
        if numbers != list(range(OLD_COUNT if tag == "OLD" else COUNT)):
            fail("%s's records are not all there once, in order" % tag)
    print("a 1.0.0 file of %d records upgraded once under 2 x %d appends" % (OLD_COUNT, COUNT))


def upgrade_stopped(command, folder, step):
    old = old_file()
    path = os.path.join(folder, "results.csv")
    with open(path, "wb") as file:
        file.write(old)
    status = run(command, path, "A", 1, "stop:%d" % step).wait(300)
    if status != 3:
        fail("the program meant to stop after step %d exited with %d" % (step, status))
    now = contents(path)
    if now not in (old, upgraded(old)):
        fail("stopped after step %d, the file is neither the old one nor the new" % step)
    if run(command, path, "B", 1).wait(300) != 0:
        fail("the program after the stop failed")
    check_backup(folder, old)
    if contents(path) != upgraded(old) + contents(path)[len(upgraded(old)):] or \
            records(path, ["OLD", "B"]) != {"OLD": list(range(OLD_COUNT)), "B": [0]}:
        fail("after a stop at step %d the file is not the old records and the new one" % step)
    return "old" if now == old else "new"


def main():
    scenario = sys.argv[1]
    command = sys.argv[3:] + [os.path.abspath(sys.argv[2])]
    folders = []

    def scratch():
        folders.append(tempfile.mkdtemp(prefix="tapquill-appends-"))
        return folders[-1]

    try:
        if scenario == "appends":
            appends(command, scratch())
        else:
            upgrade_at_once(command, scratch())
            left = [upgrade_stopped(command, scratch(), step) for step in (1, 2, 3, 4)]
            if left != ["old", "old", "old", "new"]:
                fail("after stops at steps 1 to 4 the file was %s" % left)
            print("stopped after each step: the old file, old, old, then the new one")
    finally:
        for folder in folders:
            shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
