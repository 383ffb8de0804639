#!/usr/bin/python3
"""End-to-end scenarios: the real program, played through a virtual X server.

Usage: scenarios.py SCENARIO --program PROGRAM [--artifacts DIR] [--newline lf|crlf]

PROGRAM is the program's path, or a command line such as
"wine build-windows/tapquill.exe". Screenshots of failures and the X
server's log go to DIR. --newline names the line ends the program writes on
its console (crlf for a Windows build).
"""

import argparse
import contextlib
import csv
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness import (  # noqa: E402
    CLIENT_SIZE, ERROR_TEXT, ERROR_TEXT_ROW, IDLE_TARGET, IDLE_TYPED, PERCENT_COLUMN,
    PERCENT_ROW, PROMPT, ROWS, SPEED_PATTERN, SPEED_ROW, TARGET_ROW, TYPED_ROW, Program,
    Screenshot, Session, TestFailure, check, float32, format_float, grid_text, poll,
    program_command, program_environment, standard_files, uptime_clocks)
import glyph_sheet  # noqa: E402

import Xlib.X  # noqa: E402

# Distinct lower-case words of four letters: every target of N words is
# 5N - 1 characters long and can be typed without Shift.
WORDS = ("able acid aged also area army away baby back ball band bank base bath "
         "bear beat been beer bell belt best bill bird blow blue boat").split()


def dictionary_file():
    """The word list laid out with the kinds of whitespace a word list may hold."""
    lines = ["", "  "] + WORDS[:20] + ["\t".join(WORDS[20:23])] + [" ".join(WORDS[23:])]
    return "\r\n".join(lines[:10]).encode() + b"\n" + "\n".join(lines[10:]).encode()


# ---------------------------------------------------------------- checks


def expect_line(line, text, colours, what):
    check(line.text == text and line.colours == colours,
          "%s:\n expected %r in %s\n read     %r in %s"
          % (what, text, colours, line.text, line.colours))


def expect_grid(cells, first, text, colour, what):
    """`text` drawn in `colour` from column `first`, nothing else on the row."""
    read = grid_text(cells, first)
    colours = [cell.colour for cell in cells[first:first + len(read)]]
    rest = [cell for cell in cells[first + len(read):] if cell is not None]
    before = [cell for cell in cells[:first] if cell is not None]
    check(read == text and colours == [colour] * len(text) and not rest and not before,
          "%s:\n expected %r in %s from column %d\n read     %r in %s, before %s, after %s"
          % (what, text, colour, first, read, colours, before, rest))


def speed_text(shot, colour):
    """The speed row's number, checked for its form and colour."""
    cells = shot.read_grid_row(SPEED_ROW)
    text = grid_text(cells)
    match = SPEED_PATTERN.match(text)
    check(match is not None, "speed row: expected '<number> wpm', read %r" % text)
    expect_grid(cells, 0, text, colour, "speed row")
    return match.group(1)


def expect_error_rows(shot, mismatches, length):
    expect_grid(shot.read_grid_row(ERROR_TEXT_ROW), 0, ERROR_TEXT, "yellow", "error text row")
    percent = format_float(float32(mismatches * 100.0 / length)) + "% error"
    expect_grid(shot.read_grid_row(PERCENT_ROW), PERCENT_COLUMN, percent, "yellow",
                "percentage row")


def expect_lit_rows(shot, rows, what):
    lit = shot.lit_rows()
    check(lit == rows, "%s: expected something drawn on rows %s only, found rows %s"
          % (what, rows, lit))


def typed_colours(typed, target):
    return ["blue" if typed[i] == target[i] else "red" for i in range(len(typed))]


def speed_for(length, elapsed_ms):
    """The game's speed for a target length and a signed elapsed time."""
    return float32(length * 60000 * float32(1.0 / 6.0) / elapsed_ms)


def expect_speed_between(text, length, shortest_ms, longest_ms, what):
    value = float(text)
    low = speed_for(length, longest_ms)
    high = speed_for(length, max(shortest_ms, 1))
    check(low - 1e-6 <= value <= high + 1e-6,
          "%s: %s wpm is outside %f..%f wpm, the range for %d characters in %d..%d ms"
          % (what, text, low, high, length, shortest_ms, longest_ms))


# The client area the window must have; None where the platform sizes the
# frame itself (Windows grows an overlapped window's frame by a caption, so
# the client area is what the X server reports).
expected_client_size = CLIENT_SIZE


def check_client_size(session):
    if expected_client_size is None:
        return
    check(session.client_size == expected_client_size, "client area: expected %dx%d, read %dx%d"
          % (expected_client_size + session.client_size))


def read_target_words(shot, word_count):
    """The target line, checked to be `word_count` list words joined by single spaces."""
    line = shot.read_line(TARGET_ROW)
    text = line.text
    words = text.split(" ")
    check(len(words) == word_count and all(word in WORDS for word in words)
          and line.colours == ["white"] * len(text),
          "target line: expected %d list words joined by single spaces, in white; "
          "read %r in %s" % (word_count, text, line.colours))
    return text


def aligned(first, second):
    return first.left_pixel is not None and abs(first.left_pixel - second.left_pixel) <= 1


# ---------------------------------------------------------------- scenarios


def idle_lines(shot):
    """Reads the idle screen's two lines; returns (first index shown, target
    line, typed line) or None when they do not show the idle texts."""
    target = shot.read_line(TARGET_ROW)
    typed = shot.read_line(TYPED_ROW)
    if not target.cells or not typed.cells or not aligned(target, typed):
        return None
    for first in range(0, 4):
        prompt = IDLE_TARGET[first:first + len(target.cells)]
        byline = IDLE_TYPED[first:first + len(typed.cells)]
        # A clipped first character leaves the line starting within one cell
        # of the window's left edge.
        if first > 0 and target.left_units > 1.05:
            continue
        if (target.text == prompt and target.colours == ["white"] * len(prompt)
                and typed.text == byline
                and typed.colours == typed_colours(byline, IDLE_TARGET[first:])):
            return first, target, typed
    return None


def scenario_idle_screen(options):
    """The idle screen: prompt over the byline easing left, the idle results."""
    files = standard_files(dictionary=dictionary_file())
    with Session(options, "idle_screen", files) as session:
        clocks_before = uptime_clocks()
        session.start_program("5\n")
        session.wait_for_window()
        check_client_size(session)

        # The lines move left until the byline's end stands near the middle;
        # every screen on the way shows the idle texts in their colours.
        positions = []

        def settled(shot):
            lines = idle_lines(shot)
            if lines is None and not shot.lit_rows():
                return False  # the first frame is not out yet
            if lines is None:
                target, typed = shot.read_line(TARGET_ROW), shot.read_line(TYPED_ROW)
                raise TestFailure("idle lines:\n expected %r over %r\n read     %r over %r"
                                  % (IDLE_TARGET, IDLE_TYPED, target, typed))
            first, target, typed = lines
            positions.append(target.left_units - first)
            byline_end = first + len(typed.cells) == len(IDLE_TYPED)
            middle = shot.width / 2
            return byline_end and abs(typed.right_pixel + 1 - middle) <= 0.75 * typed.cell_width

        # Frames run at little more than a hundred a second under Xvfb; the
        # gap closes as 1 / (0.002 * frames), so this takes several seconds.
        # Looking seldom leaves the processor to the program.
        shot = session.wait_for_screen(settled, 40, "the byline's end near the middle",
                                       interval=0.25)
        clocks_after = uptime_clocks()
        for earlier, later in zip(positions, positions[1:]):
            check(later <= earlier + 0.1, "the lines moved right: first character at %.2f, "
                  "then at %.2f (all: %s)" % (earlier, later, positions))
        check(positions[0] - positions[-1] > 0 or positions[-1] < -1.5,
              "the lines did not move: %s" % positions)
        session.save_screenshot("idle", shot)

        expect_lit_rows(shot, [TYPED_ROW, TARGET_ROW, PERCENT_ROW, ERROR_TEXT_ROW, SPEED_ROW],
                        "idle screen")
        # The speed row keeps the colour of the last byline character drawn,
        # which differs from the prompt character above it.
        speed = speed_text(shot, "red")
        check(speed.startswith("-"), "idle speed: expected a negative value, read %s" % speed)
        expect_error_rows(shot, 21, len(IDLE_TARGET))
        print("idle screen settled with the first character at %.2f; idle speed %s wpm"
              % (positions[-1], speed))

        # Start-up time is milliseconds since boot; the idle speed is the
        # prompt's length over minus that time.
        def idle_speed(start_ms):
            elapsed = (-start_ms) % 2**32
            elapsed = elapsed - 2**32 if elapsed >= 2**31 else elapsed
            return speed_for(len(IDLE_TARGET), elapsed)

        value = float(speed)
        matches = []
        for clock in clocks_before:
            ends = (idle_speed(clocks_before[clock]), idle_speed(clocks_after[clock]))
            if min(ends) - 1e-6 <= value <= max(ends) + 1e-6:
                matches.append(clock)
        check(matches, "idle speed %s is not 28 characters over minus the start-up time "
              "(clocks before start %s, after %s)" % (speed, clocks_before, clocks_after))
        print("idle speed matches the start-up time on the %s clock" % " and ".join(matches))

        session.close_and_check_exit()


def scenario_word_attempt(options):
    """Word mode: Escape, a target of list words, typing with a wrong key,
    the results, and the next attempt."""
    word_count = 4
    with Session(options, "word_attempt", standard_files(dictionary=dictionary_file())) as s:
        s.start_program("%d\n" % word_count)
        s.wait_for_window()
        check_client_size(s)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")

        def attempt_running(shot):
            target = shot.read_line(TARGET_ROW)
            return (shot.lit_rows() == [TARGET_ROW] and target.text
                    and target.text != IDLE_TARGET[:len(target.text)])

        escape_down = time.monotonic()
        s.keyboard.hold("Escape")
        escape_up = time.monotonic()
        shot = s.wait_for_screen(attempt_running, 10, "a new target and nothing else after Escape")
        target = read_target_words(shot, word_count)
        length = len(target)
        print("first target: %r" % target)
        check(length == 5 * word_count - 1, "target %r: expected %d characters"
              % (target, 5 * word_count - 1))

        # One wrong key, on the second character.
        wrong = 1
        typed = target[:wrong] + ("z" if target[wrong] != "z" else "q") + target[wrong + 1:]

        def typed_line_reads(text):
            def condition(shot):
                line = shot.read_line(TYPED_ROW)
                return line.text == text and shot.lit_rows() == [TYPED_ROW, TARGET_ROW]
            return condition

        half = length // 2
        s.keyboard.type_text(typed[:half])
        shot = s.wait_for_screen(typed_line_reads(typed[:half]), 10,
                                 "the typed line to read %r" % typed[:half])
        target_line, typed_line = shot.read_line(TARGET_ROW), shot.read_line(TYPED_ROW)
        expect_line(target_line, target, ["white"] * length, "target line while typing")
        expect_line(typed_line, typed[:half], typed_colours(typed[:half], target),
                    "typed line while typing")
        check(aligned(target_line, typed_line), "typed line not under the target line: "
              "%s over %s" % (target_line, typed_line))
        s.save_screenshot("typing", shot)

        # Neither Escape nor Backspace changes a running attempt.
        s.keyboard.hold("Escape")
        s.keyboard.tap("BackSpace")
        time.sleep(0.3)
        shot = s.screenshot()
        expect_lit_rows(shot, [TYPED_ROW, TARGET_ROW], "after Escape and Backspace mid-attempt")
        expect_line(shot.read_line(TARGET_ROW), target, ["white"] * length,
                    "target line after Escape and Backspace mid-attempt")
        expect_line(shot.read_line(TYPED_ROW), typed[:half], typed_colours(typed[:half], target),
                    "typed line after Escape and Backspace mid-attempt")

        s.keyboard.type_text(typed[half:-1])
        s.wait_for_screen(typed_line_reads(typed[:-1]), 10,
                          "the typed line to read %r" % typed[:-1])
        last_key = time.monotonic()
        s.keyboard.type_text(typed[-1])
        shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [PERCENT_ROW, ERROR_TEXT_ROW,
                                                                 SPEED_ROW],
                                 10, "the result rows alone")
        s.save_screenshot("results", shot)
        speed = speed_text(shot, "white")
        # The attempt started in a frame while Escape was held and was timed
        # in a frame after the last key reached the program and before the
        # screenshot; the start frame may end a little after the key-up was
        # sent, hence the margin below.
        expect_speed_between(speed, length, int((last_key - escape_up) * 1000) - 50,
                             int((shot.taken - escape_down) * 1000) + 2, "speed")
        expect_error_rows(shot, 1, length)
        print("results: %s wpm, %s%% error" % (speed, format_float(100.0 / length)))

        # The next Escape starts a new attempt; this one is typed without a
        # mistake and shows the speed alone.
        s.keyboard.hold("Escape")
        shot = s.wait_for_screen(attempt_running, 10, "the next attempt after Escape")
        second = read_target_words(shot, word_count)
        print("second target: %r" % second)
        check(second != target, "the next attempt repeats the target %r" % target)
        s.keyboard.type_text(second)
        shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 10,
                                 "the speed row alone after a faultless attempt")
        print("second results: %s wpm, no errors" % speed_text(shot, "white"))

        s.close_and_check_exit()


def scenario_verse_mode(options):
    """Verse mode: a verse file with CRLF line ends and a reference; a capital
    typed with Shift; closing the window during an attempt."""
    files = standard_files(verses=b"1:1 Ab cd\r\nef\r\n\r\n")
    with Session(options, "verse_mode", files) as s:
        s.start_program("verses\n")
        s.wait_for_window()
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        verse = "Ab cd ef"

        def shows(target, typed):
            def condition(shot):
                target_line = shot.read_line(TARGET_ROW)
                typed_line = shot.read_line(TYPED_ROW)
                rows = [TYPED_ROW, TARGET_ROW] if typed else [TARGET_ROW]
                return (shot.lit_rows() == rows and target_line.text == target
                        and typed_line.text == typed)
            return condition

        s.keyboard.hold("Escape")
        shot = s.wait_for_screen(shows(verse, ""), 10, "the verse %r as the target" % verse)
        expect_line(shot.read_line(TARGET_ROW), verse, ["white"] * len(verse), "verse target")

        s.keyboard.type_text(verse[:-1])
        shot = s.wait_for_screen(shows(verse, verse[:-1]), 10, "the typed verse")
        expect_line(shot.read_line(TYPED_ROW), verse[:-1], ["blue"] * (len(verse) - 1),
                    "typed verse")
        s.keyboard.type_text(verse[-1])
        shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 10,
                                 "the speed row alone after typing the verse")
        speed_text(shot, "white")

        # Close while the next attempt runs.
        s.keyboard.hold("Escape")
        s.wait_for_screen(shows(verse, ""), 10, "the next attempt")
        s.keyboard.type_text("Ab")
        s.wait_for_screen(shows(verse, "Ab"), 10, "two typed characters")
        s.close_and_check_exit()


def scenario_startup_failures(options):
    """Unusable data files and a missing display stop the program with one
    message, before any window exists."""
    newline = options.newline.encode()

    # Each case: the message, status 1, and no window shown on the display (a
    # Windows build under wine may make hidden windows of wine's own). A file
    # missing from the working directory is looked for beside the program
    # too, so that case runs a copy of the program kept apart from the data.
    nowhere = re.compile(rb'cannot find "dictionary\.dat" in the working directory \(.+\)'
                         rb"(, .+)? or .+")
    cases = [
        ("missing_dictionary", standard_files(verses=b"a b\n\n"), None, nowhere),
        ("folder_dictionary", standard_files(), "dictionary.dat",
         b'cannot read "dictionary.dat": Is a directory'),
        ("text_font", dict(standard_files(dictionary=dictionary_file()),
                           **{"font.tga": b"a glyph sheet\n"}), None,
         b'cannot use "font.tga": not an uncompressed TGA picture'),
    ]
    for name, files, folder, message in cases:
        with Session(options, name, files) as s:
            command = None
            if folder is not None:
                os.mkdir(os.path.join(s.workdir, folder))
            if isinstance(message, re.Pattern):
                command = program_apart(options, os.path.join(s.workdir, "apart"))
            watch_for_windows(s)
            s.start_program("5\n", command=command)
            status = s.program.wait_exit(15)
            out, err = s.program.output()
            check(status == 1, "%s: exit status: expected 1, got %s" % (name, status))
            check(out == options.prompt, "%s: standard output: expected only the prompt, got %r"
                  % (name, out[len(options.prompt):]))
            check(err.startswith(b"tapquill: ") and err.endswith(newline)
                  and err.count(b"\n") == 1, "%s: expected one line on standard error, got %r"
                  % (name, err))
            line = err[len(b"tapquill: "):-len(newline)]
            matched = (message.fullmatch(line) is not None if isinstance(message, re.Pattern)
                       else line == message)
            check(matched, "%s: standard error:\n expected %r\n got      %r"
                  % (name, getattr(message, "pattern", message), line))
            check(not windows_shown(s), "%s: windows were shown" % name)

    # No display at all.
    with Session(options, "no_display", standard_files(dictionary=dictionary_file()),
                 with_display=False) as s:
        s.start_program("5\n", env=program_environment(None))
        status = s.program.wait_exit(15)
        out, err = s.program.output()
        check(status == 1, "exit status without a display: expected 1, got %s" % status)
        check(out == options.prompt, "standard output without a display: expected only the "
              "prompt, got %r" % out[len(options.prompt):])
        pattern = re.compile(rb"tapquill: cannot open window: [^\r\n]+" + re.escape(newline))
        check(pattern.fullmatch(err) is not None, "standard error without a display: expected "
              "one line 'tapquill: cannot open window: ...', got %r" % err)


def scenario_held_up_typing(options):
    """Keystrokes typed fast while the frame loop is held up all arrive, in
    order: 300 characters one millisecond apart during 1.5 s. Each keeps the
    time its key went down: they are not bunched at the moment the program
    went on."""
    words = 61
    target = " ".join(["abcd"] * words)
    held = target[:300]
    with Session(options, "held_up_typing", standard_files(dictionary=b"abcd\n")) as s:
        env = program_environment(s.display_name)
        env["XDG_DATA_HOME"] = os.path.join(s.workdir, "data")
        s.start_program("%d\n" % words, env=env)
        s.wait_for_window()
        path = results_file_of(options, env)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        s.keyboard.hold("Escape")
        s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW]
                          and shot.read_line(TARGET_ROW).text.startswith("abcd abcd"),
                          10, "the target of repeated words")

        s.program.hold_up()
        try:
            started = time.monotonic()
            s.keyboard.type_fast(held)
            typing_ms = (time.monotonic() - started) * 1000
            time.sleep(max(0.0, 1.5 - (time.monotonic() - started)))
        finally:
            s.program.let_go()
        print("typed %d characters in %.0f ms while the program was held up for %.2f s"
              % (len(held), typing_ms, time.monotonic() - started))

        def typed_tail(shot):
            line = shot.read_line(TYPED_ROW).text
            return len(line) >= 10 and held.endswith(line)
        s.wait_for_screen(typed_tail, 20, "the typed line to end where the held-up typing did")
        # Only the whole target, every key in its place, completes the attempt
        # without an error row.
        s.keyboard.type_text(target[len(held):])
        shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 20,
                                 "the speed row alone after the last characters")
        print("all %d characters arrived: %s wpm, no errors"
              % (len(target), speed_text(shot, "white")))
        s.close_and_check_exit()

        [(intervals, _)] = recorded_keystrokes(path)
        check(len(intervals) == len(target), "%d intervals for %d characters"
              % (len(intervals), len(target)))
        # Bunched, the held-up keys would all count 0 ms but the first.
        typed = intervals[1:len(held)]
        span = sum(typed)
        print("the %d keys after the first were recorded over %d ms (xdotool took %.0f ms): "
              "%d of them 0 ms apart, the longest gap %d ms"
              % (len(typed), span, typing_ms, typed.count(0), max(typed)))
        # About a millisecond each (the server counts whole milliseconds, so
        # some are 0), none longer than a moment, and all within the typing.
        check(typed.count(0) < len(typed) / 2 and max(typed) < 100
              and len(typed) / 3 <= span <= typing_ms + 2,
              "the held-up keys were not recorded as typed: %s" % typed)


def program_apart(options, folder):
    """The program's command with the program copied alone into `folder`."""
    command = program_command(options.program)
    os.makedirs(folder)
    copy = os.path.join(folder, os.path.basename(command[-1]))
    shutil.copy(command[-1], copy)
    return command[:-1] + [copy]


def watch_for_windows(session):
    """Starts noting every window mapped on the session's display."""
    root = session.server.connection.screen().root
    root.change_attributes(event_mask=Xlib.X.SubstructureNotifyMask)
    session.server.connection.sync()


def windows_shown(session):
    session.server.connection.sync()
    shown = []
    while session.server.connection.pending_events():
        event = session.server.connection.next_event()
        if event.type == Xlib.X.MapNotify:
            shown.append(hex(event.window.id))
    return shown


def scenario_options(options):
    """--help and --version answer and exit 0; an unknown option or a stray
    argument is refused in one line with status 2. None of them asks the
    question or opens a window."""
    newline = options.newline.encode()
    usage = re.compile(rb"Usage: tapquill \[OPTION\]\.\.\." + re.escape(newline) + rb".*"
                       rb"--help.*--version.*dictionary\.dat.*working directory.*", re.S)
    version = re.compile(rb"tapquill \d+\.\d+\.\d+" + re.escape(newline))
    cases = [
        (["--help"], 0, usage, None),
        (["--version"], 0, version, None),
        (["--bogus"], 2, None, b'unknown option "--bogus" (see tapquill --help)'),
        (["--help", "words"], 2, None, b'unexpected argument "words" (see tapquill --help)'),
        (["--seed"], 2, None, b"--seed takes a number from 0 to 4294967295 (see tapquill --help)"),
        (["--seed", "4294967296"], 2, None, b'--seed takes a number from 0 to 4294967295, not '
         b'"4294967296" (see tapquill --help)'),
        (["--practice", "--no-history"], 2, None, b"--practice needs the results history, which "
         b"--no-history turns off (see tapquill --help)"),
        (["--practice", "--text", "notes.txt"], 2, None, b"--practice draws words: it does "
         b"not go with --text (see tapquill --help)"),
    ] + [
        (arguments, 2, None, b"--scale takes a whole number from 1 to 8 or \"auto\"" + wrong
         + b" (see tapquill --help)")
        for arguments, wrong in ((["--scale", "0"], b', not "0"'), (["--scale=9"], b', not "9"'),
                                 (["--scale", "x"], b', not "x"'), (["--scale"], b""))
    ] + [
        (["--fullscreen", "--scale", "2"], 2, None,
         b"--scale and --fullscreen cannot be used together (see tapquill --help)"),
    ]
    for arguments, expected_status, out_pattern, message in cases:
        name = "options " + " ".join(arguments)
        with Session(options, "options", standard_files(dictionary=dictionary_file())) as s:
            watch_for_windows(s)
            command = program_command(options.program) + arguments
            program = Program(command, s.workdir, program_environment(s.display_name)).start()
            program.answer("5\n")
            status = program.wait_exit(20)
            out, err = program.output()
            check(status == expected_status, "%s: exit status %s, expected %d"
                  % (name, status, expected_status))
            if out_pattern is not None:
                check(out_pattern.fullmatch(out) is not None and err == b"",
                      "%s: unexpected output %r, error %r" % (name, out, err))
            else:
                expected = b"tapquill: " + message + newline
                check(out == b"" and err == expected, "%s: expected only %r on standard error, "
                      "got output %r, error %r" % (name, expected, out, err))
            check(not windows_shown(s), "%s: a window was shown" % name)


def expect_idle_screen(options, name, command):
    """The program, started from an empty working folder, shows the idle
    screen and closes cleanly."""
    with Session(options, name, {}) as s:
        s.start_program("5\n", command=command)
        s.wait_for_window()
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 20, "the idle screen")
        s.close_and_check_exit()


def scenario_installed_package(options):
    """The Debian package unpacked into a scratch root: its program, started
    from a folder without data files, finds the installed ones and shows the
    idle screen; so does the whole tree moved elsewhere, through the link in
    games/."""
    check(options.package and os.path.isfile(options.package),
          "--package must name the built .deb, not %r" % options.package)
    scratch = tempfile.mkdtemp(prefix="tapquill-package-")
    try:
        root = os.path.join(scratch, "root")
        subprocess.run(["dpkg-deb", "-x", options.package, root], check=True)
        # The screen is read through the tests' own glyph sheet.
        glyph_sheet.write_glyph_sheet(os.path.join(root, "usr/share/tapquill/font.tga"))
        expect_idle_screen(options, "installed_package", [os.path.join(root, "usr/bin/tapquill")])
        moved = os.path.join(scratch, "moved", "elsewhere")
        os.makedirs(os.path.dirname(moved))
        os.rename(root, moved)
        expect_idle_screen(options, "moved_package", [os.path.join(moved, "usr/games/tapquill")])
        print("the unpacked package runs from an empty folder, in place and moved")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def scenario_unzipped_program(options):
    """The Windows zip unpacked anywhere: its program, started from another
    working folder, finds its data beside itself and shows the idle screen."""
    check(options.package and os.path.isfile(options.package),
          "--package must name the built .zip, not %r" % options.package)
    scratch = tempfile.mkdtemp(prefix="tapquill-zip-")
    try:
        with zipfile.ZipFile(options.package) as archive:
            archive.extractall(scratch)
        folders = [entry for entry in os.listdir(scratch)
                   if os.path.isfile(os.path.join(scratch, entry, "tapquill.exe"))]
        check(len(folders) == 1, "the zip holds %s, not one folder with tapquill.exe"
              % os.listdir(scratch))
        folder = os.path.join(scratch, folders[0])
        for text in ("README.txt", "LICENSE.txt", "DATA-LICENSES.txt",
                     "Play with my keyboard layout.cmd", "Show my results.cmd",
                     "Play 10 words.cmd", "Play verses.cmd", "Practice.cmd"):
            with open(os.path.join(folder, text), "rb") as notes:
                data = notes.read()
            check(b"\r\n" in data and b"\n" not in data.replace(b"\r\n", b""),
                  "%s does not have CR LF line ends throughout" % text)
        glyph_sheet.write_glyph_sheet(os.path.join(folder, "font.tga"))
        # The emulator's command with the unpacked program in place of the built one.
        command = program_command(options.program)[:-1] + [os.path.join(folder, "tapquill.exe")]
        expect_idle_screen(options, "unzipped_program", command)
        print("the unzipped program runs from another folder")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def results_file_of(options, env):
    """Where the running program keeps its results: under XDG_DATA_HOME, or,
    for the Windows program, in the wine prefix's Roaming AppData folder
    (wine sets APPDATA from the prefix whatever the environment says), where
    a file of earlier runs is removed."""
    if options.wine_prefix is None:
        return os.path.join(env["XDG_DATA_HOME"], "tapquill", "results.csv")
    users = os.path.join(options.wine_prefix, "drive_c", "users")
    homes = [name for name in os.listdir(users) if name != "Public"]
    check(len(homes) == 1, "expected one user in %s, found %s" % (users, homes))
    path = os.path.join(users, homes[0], "AppData", "Roaming", "Tapquill", "results.csv")
    if os.path.exists(path):
        os.remove(path)
    return path


def decode_keystrokes(field):
    """The intervals (ms) and the mistyped positions of a keystrokes field, by
    the README's definition: base 26 in letters, upper case for every digit
    but the last, a '*' before the interval of a mistyped character."""
    intervals, mistyped, value, marked = [], [], 0, False
    for char in field:
        if char == "*":
            marked = True
        elif "A" <= char <= "Z":
            value = value * 26 + ord(char) - ord("A")
        else:
            check("a" <= char <= "z", "keystrokes %r: %r is no digit" % (field, char))
            if marked:
                mistyped.append(len(intervals))
            intervals.append(value * 26 + ord(char) - ord("a"))
            value, marked = 0, False
    return intervals, mistyped


def recorded_keystrokes(path):
    """(intervals, mistyped positions) of each record of a results file."""
    with open(path, newline="") as results:
        rows = list(csv.reader(results))
    column = rows[0].index("keystrokes")
    return [decode_keystrokes(row[column]) for row in rows[1:]]


def expect_press_intervals(intervals, presses, what):
    """Each interval after the first is the time between the presses of its
    character and the one before, to the millisecond: within the moments
    measured around the two presses, give or take the millisecond that whole
    milliseconds lose at either end."""
    for k in range(1, len(presses)):
        low = (presses[k][0] - presses[k - 1][1]) * 1000
        high = (presses[k][1] - presses[k - 1][0]) * 1000
        check(low - 2 <= intervals[k] <= high + 2,
              "%s: character %d came %d ms after the one before, but its key went down "
              "%.1f to %.1f ms after that one's (intervals %s)"
              % (what, k, intervals[k], low, high, intervals))


def finish_attempt(s, typed, pauses=None):
    """Escape, then `typed` over the target, with pauses[i] seconds before
    character i when given; returns the result screen, and the moments of the
    presses when paused."""
    s.keyboard.hold("Escape")
    s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW], 10, "a new attempt")
    presses = None
    if pauses:
        presses = s.keyboard.type_with_pauses(typed, pauses)
    else:
        s.keyboard.type_text(typed)
    shot = s.wait_for_screen(lambda shot: SPEED_ROW in shot.lit_rows()
                             and TARGET_ROW not in shot.lit_rows(), 10, "the result rows")
    return (shot, presses) if pauses else shot


def history_report(options, s, env):
    """What --history prints (with LF line ends), checked to end well and to
    say nothing on standard error."""
    history = Program(program_command(options.program) + ["--history"], s.workdir, env).start()
    status = history.wait_exit(30)
    out, err = history.output()
    check(status == 0 and err == b"", "--history: status %s, errors %r" % (status, err))
    return out.decode("utf-8").replace("\r\n", "\n")


def scenario_results_history(options):
    """Two finished attempts become two records of the results file, with the
    speed and error texts the window showed; --history lists and charts them.
    A results folder that cannot be written gets one warning, and play goes on."""
    target = "abcd abcd"
    with Session(options, "results_history", standard_files(dictionary=b"abcd\n")) as s:
        env = program_environment(s.display_name)
        env["XDG_DATA_HOME"] = os.path.join(s.workdir, "data")
        s.start_program("2\n", env=env)
        s.wait_for_window()
        path = results_file_of(options, env)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        shot = finish_attempt(s, "abcd abcz")
        first = speed_text(shot, "white")
        expect_error_rows(shot, 1, len(target))
        percent = grid_text(shot.read_grid_row(PERCENT_ROW), PERCENT_COLUMN)[:-len("% error")]
        # The second attempt is typed with known pauses: a long one before the
        # first c, a shorter one before the second b.
        pauses = [0.1, 0.05, 0.7, 0.05, 0.05, 0.05, 0.4, 0.05, 0.05]
        shot, presses = finish_attempt(s, target, pauses)
        second = speed_text(shot, "white")
        s.close_and_check_exit()

        with open(path, "rb") as results:
            lines = results.read().decode("ascii").split("\r\n")
        check(lines[0].startswith("time,mode,words,characters,mismatches,milliseconds,wpm,")
              and len(lines) == 4 and lines[3] == "", "results file: %r" % lines)
        expected = [("1", first, percent, '"d>z"'), ("0", second, "0.000000", '""')]
        for line, (mismatches, speed, error, mistyped) in zip(lines[1:3], expected):
            fields = line.split(",")
            check(fields[1:6] == ["words", "2", "9", mismatches, fields[5]]
                  and fields[6:12] == [speed, error, '"%s"' % target, mistyped, "en", '""'],
                  "record %r: expected %s wpm, %s%% error, mistyped %s as the window showed"
                  % (line, speed, error, mistyped))
        print("two records as the window showed them: %s and %s wpm" % (first, second))

        (mistyped_intervals, mistyped), (intervals, none) = recorded_keystrokes(path)
        check(len(mistyped_intervals) == len(intervals) == len(target)
              and mistyped == [len(target) - 1] and not none and 0 < intervals[0] < 5000,
              "keystrokes: expected %d intervals each, the first record's last one mistyped; "
              "read %s" % (len(target), recorded_keystrokes(path)))
        expect_press_intervals(intervals, presses, "keys typed with pauses")
        gaps = ["%.1f" % ((later[0] + later[1] - earlier[0] - earlier[1]) * 500)
                for earlier, later in zip(presses, presses[1:])]
        print("keys pressed %s ms apart were recorded %s ms apart"
              % (", ".join(gaps), ", ".join(str(interval) for interval in intervals[1:])))

        report = history_report(options, s, env)
        check("Last 2 of 2 attempts" in report and first in report and second in report
              and re.search("Speed of the last 2 attempts.*\n(.*\n){0,7}.*[#\u2588]", report) is not None
              and re.search(r"\n +d +1 +4 +25\.0% +z \(1 time\)", report) is not None,
              "--history does not list, chart and name what was mistyped:\n%s" % report)

    if options.wine_prefix is not None:
        return
    with Session(options, "results_unwritable", standard_files(dictionary=b"abcd\n")) as s:
        env = program_environment(s.display_name)
        env["XDG_DATA_HOME"] = s.workdir
        # A file where the results folder should be.
        with open(os.path.join(s.workdir, "tapquill"), "w") as blocker:
            blocker.write("not a folder\n")
        s.start_program("2\n", env=env)
        s.wait_for_window()
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        speed_text(finish_attempt(s, target), "white")
        speed_text(finish_attempt(s, target), "white")
        folder = os.path.join(s.workdir, "tapquill")
        warning = ('tapquill: cannot record the result in "%s/results.csv": "%s" is not a '
                   "folder\n" % (folder, folder)).encode()
        s.close_and_check_exit(errors=warning)
        print("an unwritable results folder gave one warning; both attempts were played")


BIG_SCREEN = (3840, 2160)
LAPTOP_SCREEN = (1920, 1080)


@contextlib.contextmanager
def scaled_session(options, name, arguments, screen, words=1):
    """A session on a screen of `screen` pixels whose program, given
    `arguments`, is asked for `words` words of "abcd"."""
    with Session(options, name, standard_files(dictionary=b"abcd\n"),
                 screen="%dx%d" % screen) as s:
        s.start_program("%d\n" % words, command=program_command(options.program) + arguments)
        s.wait_for_window()
        yield s


def play_scaled(options, scale):
    """Plays an attempt at --scale N; returns the client area and the width of
    the first glyph typed."""
    with scaled_session(options, "scale_%d" % scale, ["--scale", str(scale)], BIG_SCREEN) as s:
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 20, "the idle screen")
        s.keyboard.hold("Escape")
        s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW]
                          and shot.read_line(TARGET_ROW).text == "abcd", 10, "the target")
        s.keyboard.type_text("a")
        shot = s.wait_for_screen(lambda shot: shot.read_line(TYPED_ROW).text == "a", 10,
                                 "the first typed glyph")
        typed = shot.read_line(TYPED_ROW)
        s.keyboard.type_text("bcd")
        speed_text(s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 10,
                                     "the speed row alone"), "white")
        s.close_and_check_exit()
        return s.client_size, typed.right_pixel + 1 - typed.left_pixel


def scenario_scaled_window(options):
    """--scale 3 plays in a client area three times as wide and high as at
    --scale 1, glyphs three times as wide; auto picks the largest scale that
    fits; a scale too large for the desktop is made and named on standard
    error; --fullscreen covers the screen, the picture centred between black
    bars, and Escape starts an attempt there."""
    base, glyph = play_scaled(options, 1)
    check(expected_client_size in (None, base), "--scale 1: client area %s" % (base,))
    three, glyph3 = play_scaled(options, 3)
    check(three == (3 * base[0], 3 * base[1]) and abs(glyph3 - 3 * glyph) <= 3,
          "--scale 3: client area %s and glyph %d px wide, at --scale 1 %s and %d px"
          % (three, glyph3, base, glyph))
    print("--scale 3: client area %dx%d, glyph %d px (--scale 1: %dx%d, %d px)"
          % (three + (glyph3,) + base + (glyph,)))

    for screen, scale in ((LAPTOP_SCREEN, 2), (BIG_SCREEN, 4)):
        with scaled_session(options, "scale_auto", ["--scale", "auto"], screen) as s:
            check(s.client_size == (scale * base[0], scale * base[1]),
                  "--scale auto on %dx%d: client area %s, expected scale %d"
                  % (screen + (s.client_size, scale)))
            s.close_and_check_exit()
        print("--scale auto on %dx%d: scale %d" % (screen + (scale,)))

    with scaled_session(options, "scale_too_large", ["--scale", "3"], LAPTOP_SCREEN) as s:
        check(s.client_size == three, "--scale 3 on a small screen: client area %s"
              % (s.client_size,))
        line = re.compile(rb"tapquill: the window at --scale 3 is larger than the desktop "
                          rb"\(\d+x\d+ usable\); it is made as asked" + options.newline.encode())
        poll(lambda: line.fullmatch(s.program.output()[1]), 10, what="the line on standard error")
        s.close_and_check_exit(errors=s.program.output()[1])

    with scaled_session(options, "fullscreen", ["--fullscreen"], BIG_SCREEN, words=12) as s:
        check(s.client_size == BIG_SCREEN, "--fullscreen: client area %s" % (s.client_size,))
        # 4:3 in the middle of 16:9.
        s.picture = (480, 0, 2880, 2160)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 20, "the idle screen")
        s.keyboard.hold("Escape")
        shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW], 10, "a target")
        target = shot.read_line(TARGET_ROW)
        whole = Screenshot(s.client, s.client_size)
        bars = [x for x in range(BIG_SCREEN[0]) if not 480 <= x < 3360]
        lit = [(x, row) for row in range(ROWS) for x in bars if whole.lit(x, shot.row_centre(row))]
        # The 59 characters of the target go on beyond the picture's edge.
        check("abcd abcd" in target.text and target.right_pixel == shot.width - 1 and not lit,
              "--fullscreen: target %r ending at %d of %d; lit in the bars: %s"
              % (target.text, target.right_pixel, shot.width, lit[:5]))
        if options.wine_prefix is None:
            s.close_and_check_exit()
            return
        # Alt+F4 leaves it on Windows (on X11 the window manager's key).
        s.keyboard.tap("alt+F4")
        check(s.program.wait_exit(15) == 0 and s.program.output() == (options.prompt, b""),
              "--fullscreen: Alt+F4 did not end the game cleanly: %s" % (s.program.output(),))


def keystrokes_field(intervals, wrong):
    """The results file's keystrokes column: each interval in base 26 (upper-case
    letters, the last digit lower-case), a '*' before the mistyped ones."""
    field = ""
    for i, value in enumerate(intervals):
        digits = []
        while True:
            digits.append(value % 26)
            value //= 26
            if value == 0:
                break
        field += ("*" if i in wrong else "") + "".join(chr(65 + d) for d in reversed(digits[1:]))
        field += chr(97 + digits[0])
    return field


def weak_y_history():
    """A results file of 24 timed attempts at five words of WORDS, each holding
    army and baby: every key 150 ms after the one before but y, 450 ms; the y
    of baby typed as t in the first eight."""
    lines = ["time,mode,words,characters,mismatches,milliseconds,wpm,error_percent,target,"
             "mistyped,language,source,keystrokes"]
    others = [word for word in WORDS if "y" not in word]
    for i in range(24):
        words = ["army", others[i % len(others)], "baby", others[(i + 5) % len(others)],
                 others[(i + 9) % len(others)]]
        target = " ".join(words)
        intervals = [600] + [450 if c == "y" else 150 for c in target[1:]]
        wrong = {target.index("baby") + 3} if i < 8 else set()
        milliseconds = sum(intervals)
        lines.append('2026-12-%02dT18:%02d:00+01:00,words,5,%d,%d,%d,%s,%s,"%s","%s",en,"",%s'
                     % (1 + i // 8, i, len(target), len(wrong), milliseconds,
                        format_float(len(target) * 10000.0 / milliseconds),
                        format_float(len(wrong) * 100.0 / len(target)), target,
                        " ".join("y>t" for _ in wrong), keystrokes_field(intervals, wrong)))
    return ("\r\n".join(lines) + "\r\n").encode()


def prepared_results(options, s, history):
    """The environment of a run whose results file holds `history`, and the file."""
    env = program_environment(s.display_name)
    env["XDG_DATA_HOME"] = os.path.join(s.workdir, "data")
    path = results_file_of(options, env)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as results:
        results.write(history)
    return env, path


def scenario_timed_history(options):
    """--history on a file of timed attempts in which y is slow and mistyped:
    the new sections name y as the slowest and least accurate key, by and my
    as the slowest pairs, baby as the word mistyped most, y typed as t as a
    falling confusion, and chart the last attempt."""
    with Session(options, "timed_history", {}) as s:
        env, _ = prepared_results(options, s, weak_y_history())
        report = history_report(options, s, env)
        expected = [
            r"Slowest keys \(asked at least 20 times\):\n.*\n  y +48 +83\.3% +450 +22\.2\n",
            r"Least accurate keys \(asked at least 20 times\):\n.*\n  y +48 +83\.3% ",
            r"Slowest pairs of keys .*\n.*\n  by +16 +450 +22\.2\n  my +24 +450 +22\.2\n",
            r"Words mistyped most often:\n.*\n  baby +8 +24 +33\.3%\n",
            r"\n  y +t +8 +16\.7% +33\.3% +0\.0% falling\n",
            r"Consistency \(100 is perfectly even typing\):\n  Last attempt: ",
            r"Speed through the last attempt \(wpm over each 5 characters from the first key\):",
        ]
        for pattern in expected:
            check(re.search(pattern, report) is not None,
                  "--history lacks %r:\n%s" % (pattern, report))
        print("--history names y, my, baby and y typed as t from the keystroke timing")


def scenario_slow_keys(options):
    """One attempt of 20 words typed with a pause before every c: --history
    then names c as the slowest key and b followed by c as the slowest pair,
    from the keystrokes' own time stamps."""
    words = 20
    target = " ".join(["abcd"] * words)
    with Session(options, "slow_keys", standard_files(dictionary=b"abcd\n")) as s:
        env = program_environment(s.display_name)
        env["XDG_DATA_HOME"] = os.path.join(s.workdir, "data")
        s.start_program("%d\n" % words, env=env)
        s.wait_for_window()
        results_file_of(options, env)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        pauses = [0.15 if char == "c" else 0.01 for char in target]
        finish_attempt(s, target, pauses)
        s.close_and_check_exit()

        report = history_report(options, s, env)
        slowest_key = re.search(r"Slowest keys \(asked at least 20 times\):\n.*\n  (\S+) +20 "
                                r"+100\.0% +(\d+) ", report)
        slowest_pair = re.search(r"Slowest pairs of keys .*\n.*\n  (\S+) +20 +(\d+) ", report)
        check(slowest_key is not None and slowest_key.group(1) == "c"
              and 140 <= int(slowest_key.group(2)) <= 600
              and slowest_pair is not None and slowest_pair.group(1) == "bc"
              and 140 <= int(slowest_pair.group(2)) <= 600,
              "--history does not name c and bc, typed 0.15 s late, as the slowest:\n%s" % report)
        print("--history: c is the slowest key (%s ms), bc the slowest pair (%s ms)"
              % (slowest_key.group(2), slowest_pair.group(2)))


def practice_run(options, s, env, seed, practice, type_it=False):
    """One run with --seed (and --practice): the console's line, the first
    target, and, when `type_it`, that target typed."""
    arguments = ["--seed", str(seed)] + (["--practice"] if practice else [])
    # Four words of four letters fit in the window from the first frame.
    s.start_program("4\n", env=env, command=program_command(options.program) + arguments)
    s.wait_for_window()
    s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
    s.keyboard.hold("Escape")
    shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW], 10, "the target")
    target = read_target_words(shot, 4)
    if type_it:
        s.keyboard.type_text(target)
        s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 10, "the speed row")
    out = s.program.output()[0][len(options.prompt):]
    s.close_and_check_exit(output=out)
    return out.decode(), target


def scenario_practice(options):
    """--practice with a history in which y is weak: one console line says so,
    the targets are mostly words with y, the same --seed draws the same target
    again (with and without --practice), and the attempt is recorded as
    practice."""
    targets = {}
    lines = {}
    for run in range(2):
        for practice in (True, False):
            with Session(options, "practice", standard_files(dictionary=" ".join(WORDS).encode())) \
                    as s:
                env, path = prepared_results(options, s, weak_y_history())
                line, target = practice_run(options, s, env, 2026, practice,
                                            type_it=practice and run == 0)
                targets.setdefault(practice, []).append(target)
                lines[practice] = line
                if practice and run == 0:
                    with open(path, "rb") as results:
                        last = results.read().decode("ascii").split("\r\n")[-2]
                    check(last.split(",")[1:3] == ["practice", "4"]
                          and '"%s"' % target in last,
                          "the practice attempt was recorded as %r" % last)
    check(lines[True].startswith("Practice: words weighted toward the key y")
          and lines[True].endswith(options.newline) and lines[True].count("\n") == 1,
          "--practice said %r" % lines[True])
    check(lines[False] == "", "--seed alone said %r" % lines[False])
    for practice in (True, False):
        check(targets[practice][0] == targets[practice][1],
              "--seed 2026%s drew %r, then %r" % (" --practice" if practice else "",
                                                 targets[practice][0], targets[practice][1]))
    words_with_y = sum("y" in word for word in targets[True][0].split(" "))
    check(words_with_y >= 3 and targets[True][0] != targets[False][0], "the practice target %r holds %d words with y"
          % (targets[True][0], words_with_y))
    print("practice drew %r twice, plain %r twice" % (targets[True][0], targets[False][0]))

    # A verse answer plays verses as usual, and says so.
    with Session(options, "practice_verses", standard_files(verses=b"1:1 able acid\n\n")) as s:
        env, _ = prepared_results(options, s, weak_y_history())
        s.start_program("x\n", env=env,
                        command=program_command(options.program) + ["--practice"])
        s.wait_for_window()
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        s.close_and_check_exit(output=("Practice: verses are played as usual; practice draws "
                                       "words only." + options.newline).encode())


# X key codes (pc105) at the places of the US q, w, a, z, [, e, 2 and x keys.
# On the French AZERTY layout they type a, z, q, w, the dead circumflex (here
# over the e), e acute; x is given a Greek alpha, beyond Latin-1.
PLACES = [24, 25, 38, 52, 34, 26, 11, 53]


def scenario_system_keyboard(options):
    """The same key places type the layout's characters with --keyboard
    system (dead key, Latin-1, and beyond Latin-1 as a character no target
    holds) and the US labels without it."""
    cases = [
        # The layout's characters: all match but the alpha, which cannot. The
        # dead key (the fifth place) types nothing of its own.
        (["--keyboard", "system"], b"azqw\xea\xe9x\n", PLACES, 1, [0, 1, 2, 3, 5, 6, 7]),
        # The US labels of the first four places.
        ([], b"qwaz\n", PLACES[:4], 0, [0, 1, 2, 3]),
    ]
    for arguments, word, places, mismatches, typing_places in cases:
        name = "system_keyboard" if arguments else "us_keyboard"
        length = len(typing_places)
        with Session(options, name, standard_files(dictionary=word)) as s:
            s.keyboard.load_layout("pc+fr")
            s.keyboard.map_keys({53: ("Greek_alpha", "Greek_ALPHA")})
            env = program_environment(s.display_name)
            env["XDG_DATA_HOME"] = os.path.join(s.workdir, "data")
            s.start_program("1\n", env=env,
                            command=program_command(options.program) + arguments)
            s.wait_for_window()
            path = results_file_of(options, env)
            s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
            s.keyboard.hold("Escape")
            s.wait_for_screen(lambda shot: shot.lit_rows() == [TARGET_ROW], 10, "the target")
            presses = s.keyboard.press_keycodes(places)
            shot = s.wait_for_screen(lambda shot: SPEED_ROW in shot.lit_rows()
                                     and TARGET_ROW not in shot.lit_rows(), 10,
                                     "the attempt to end after %d key places" % len(places))
            rows = [SPEED_ROW] if mismatches == 0 else [PERCENT_ROW, ERROR_TEXT_ROW, SPEED_ROW]
            expect_lit_rows(shot, rows, name + " results")
            if mismatches:
                expect_error_rows(shot, mismatches, length)
            s.close_and_check_exit()
            # Each character has the time of the key that finished it.
            [(intervals, _)] = recorded_keystrokes(path)
            check(len(intervals) == length, "%s: %d intervals for %d characters"
                  % (name, len(intervals), length))
            expect_press_intervals(intervals, [presses[i] for i in typing_places], name)
            print("%s: characters recorded %s ms apart" % (name, intervals[1:]))
    print("AZERTY places typed the layout's characters with --keyboard system, US labels "
          "without")


def last_records(path, count):
    """The last `count` records of the results file, as lists of fields."""
    with open(path, "rb") as results:
        lines = results.read().decode("ascii").split("\r\n")
    check(lines[-1] == "" and len(lines) >= count + 2, "results file: %r" % lines)
    return [line.split(",") for line in lines[-1 - count:-1]]


def expect_target(s, text, what):
    """Escape, then the target line reading `text` in white, alone on the screen."""
    s.keyboard.hold("Escape")

    def shown(shot):
        line = shot.read_line(TARGET_ROW)
        return (shot.lit_rows() == [TARGET_ROW] and line.text == text
                and line.colours == ["white"] * len(text))
    return s.wait_for_screen(shown, 10, "%s: the target %r" % (what, text))


def expect_clean_result(s, what):
    """The result rows of an attempt typed without a mistake."""
    shot = s.wait_for_screen(lambda shot: shot.lit_rows() == [SPEED_ROW], 10,
                             "%s: the speed row alone" % what)
    return speed_text(shot, "white")


def scenario_language_and_text(options):
    """A French word list played with the system's layout (the default for a
    language other than English) without the question; a UTF-8 text file
    played piece by piece, its punctuation as a keyboard types it; a text on
    standard input; and the records naming the language and the file."""
    newline = options.newline.encode()

    # French: "été" in the list's Latin-1 bytes, typed on AZERTY (e acute at
    # the place of the US 2, t where it always is).
    files = dict(standard_files(), **{"dictionary-fr.dat": b"\xe9t\xe9\n"})
    with Session(options, "french_words", files) as s:
        s.keyboard.load_layout("pc+fr")
        s.start_program("", command=program_command(options.program)
                        + ["--language", "fr", "--words", "1"], question=False)
        s.wait_for_window()
        path = results_file_of(options, s.program.env)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        expect_target(s, "\xe9t\xe9", "French")
        s.keyboard.press_keycodes([11, 28, 11])
        speed = expect_clean_result(s, "French")
        s.close_and_check_exit()
        fields = last_records(path, 1)[0]
        check(fields[1:5] == ["words", "1", "3", "0"] and fields[6] == speed
              and fields[8] == '"%E9t%E9"' and fields[10:12] == ["fr", '""'],
              "French record: %r" % fields)
        print("played the French list's \"\xe9t\xe9\" on AZERTY, recorded as fr: %s wpm" % speed)

    # A text file: curly quotes, a dash and an ellipsis become keys, the euro
    # sign is left out (and said so); after the last piece comes the first.
    text = "It\u2019s a dog \u2014 ok\u2026 \u20ac\r\n\r\n  yes\n".encode("utf-8")
    first = "It's a dog - ok..."
    with Session(options, "text_file", dict(standard_files(), **{"notes.txt": text})) as s:
        s.start_program("", command=program_command(options.program) + ["--text", "notes.txt"],
                        question=False)
        s.wait_for_window()
        path = results_file_of(options, s.program.env)
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        expect_target(s, first, "first piece")
        s.keyboard.type_text(first)
        speeds = [expect_clean_result(s, "first piece")]
        expect_target(s, "yes", "second piece")
        s.keyboard.type_text("yes")
        speeds.append(expect_clean_result(s, "second piece"))
        expect_target(s, first, "first piece again")
        s.close_and_check_exit(errors=b'tapquill: left out 1 character of "notes.txt" that '
                               b"cannot be typed" + newline)
        records = last_records(path, 2)
        for fields, target, speed in zip(records, (first, "yes"), speeds):
            check(fields[1:4] == ["text", "", str(len(target))] and fields[6] == speed
                  and fields[10:12] == ["", '"notes.txt"'], "text record: %r" % fields)
        print("typed both pieces of notes.txt and came back to the first: %s wpm"
              % " and ".join(speeds))

    # Standard input, as UTF-16 with a byte-order mark: read byte for byte (a
    # byte 26 inside a character does not end it).
    piped = "\ufeffAb\u011ac\r\n".encode("utf-16-le")
    with Session(options, "text_input", standard_files()) as s:
        s.start_program(piped, command=program_command(options.program) + ["--text", "-"],
                        question=False)
        s.wait_for_window()
        s.wait_for_screen(lambda shot: idle_lines(shot) is not None, 10, "the idle screen")
        expect_target(s, "Abc", "standard input")
        s.close_and_check_exit(errors=b"tapquill: left out 1 character of standard input that "
                               b"cannot be typed" + newline)

    # Before any window: the list of languages; a list that cannot be read (a
    # folder in its place: every list is installed beside the program); and a
    # word list beyond ASCII with the US key labels asked for.
    cases = [
        (["--language", "list"], 0, re.compile(rb"en  English" + re.escape(newline) + rb"(.*"
                                               + re.escape(newline) + rb")*fr  French.*", re.S),
         b""),
        (["--language", "de", "--words", "3"], 1, b"",
         re.compile(rb'tapquill: cannot read "dictionary-de\.dat": Is a directory'
                    + re.escape(newline))),
    ]
    for arguments, expected_status, out_pattern, err_pattern in cases:
        name = " ".join(arguments)
        with Session(options, "language_options", files) as s:
            os.mkdir(os.path.join(s.workdir, "dictionary-de.dat"))
            watch_for_windows(s)
            program = Program(program_command(options.program) + arguments, s.workdir,
                              program_environment(s.display_name)).start()
            program.answer("")
            status = program.wait_exit(20)
            out, err = program.output()
            for pattern, seen in ((out_pattern, out), (err_pattern, err)):
                matched = (pattern.fullmatch(seen) is not None
                           if isinstance(pattern, re.Pattern) else seen == pattern)
                check(status == expected_status and matched, "%s: status %s, output %r, "
                      "error %r" % (name, status, out, err))
            check(not windows_shown(s), "%s: a window was shown" % name)
    with Session(options, "us_labels_for_french", files, with_display=False) as s:
        s.start_program("", env=program_environment(None), question=False,
                        command=program_command(options.program)
                        + ["--language", "fr", "--keyboard", "us", "--words", "2"])
        status = s.program.wait_exit(15)
        _, err = s.program.output()
        notice = (b"tapquill: the accented letters of the French words cannot be typed with the "
                  b"US key labels of --keyboard us" + newline)
        check(status == 1 and err.startswith(notice + b"tapquill: cannot open window: "),
              "--keyboard us with French words: status %s, error %r" % (status, err))


SCENARIOS = {
    "idle_screen": scenario_idle_screen,
    "word_attempt": scenario_word_attempt,
    "verse_mode": scenario_verse_mode,
    "startup_failures": scenario_startup_failures,
    "held_up_typing": scenario_held_up_typing,
    "options": scenario_options,
    "installed_package": scenario_installed_package,
    "unzipped_program": scenario_unzipped_program,
    "results_history": scenario_results_history,
    "timed_history": scenario_timed_history,
    "practice": scenario_practice,
    "slow_keys": scenario_slow_keys,
    "system_keyboard": scenario_system_keyboard,
    "scaled_window": scenario_scaled_window,
    "language_and_text": scenario_language_and_text,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=sorted(SCENARIOS) + ["all"])
    parser.add_argument("--program", required=True)
    parser.add_argument("--artifacts", default=os.path.join("/tmp", "tapquill-e2e"))
    parser.add_argument("--newline", choices=("lf", "crlf"), default="lf")
    parser.add_argument("--package", help="the built package, for the package scenarios")
    parser.add_argument("--wine-prefix", help="the wine prefix the Windows program runs in")
    parser.add_argument("--client-size", default="%dx%d" % CLIENT_SIZE,
                        help="the client area to expect, WxH, or 'platform' to take what the "
                             "X server reports")
    options = parser.parse_args()
    global expected_client_size
    if options.client_size == "platform":
        expected_client_size = None
    else:
        width, height = options.client_size.split("x")
        expected_client_size = (int(width), int(height))
    options.newline = "\r\n" if options.newline == "crlf" else "\n"
    options.prompt = PROMPT.replace("\n", options.newline).encode()
    options.artifacts = os.path.abspath(options.artifacts)

    names = sorted(SCENARIOS) if options.scenario == "all" else [options.scenario]
    failed = False
    for name in names:
        started = time.monotonic()
        try:
            SCENARIOS[name](options)
        except TestFailure as failure:
            print("FAIL %s (%.1f s): %s" % (name, time.monotonic() - started, failure))
            failed = True
        else:
            print("PASS %s (%.1f s)" % (name, time.monotonic() - started))
        sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
