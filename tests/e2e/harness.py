"""Runs the real program the way a player does, and reads its window.

Pieces:
  XServer        a private Xvfb on a free display (found with -displayfd)
  Program        the program in a working folder, with its console on pipes
  find_window    the program's window, looked up by its name
  Screenshot     one capture of the client area, with the character reader
  Keyboard       real X key events through xdotool
  request_close  the window manager's close request (WM_DELETE_WINDOW)
  Session        all of the above for one run, torn down whatever happens

The character reader relies on the tests' own glyph sheet (glyph_sheet.py):
every cell is an opaque block of grey CELL_BASE + byte, so a pixel inside a
drawn character is that grey times the current colour.
"""

import os
import re
import select
import shlex
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib

import Xlib.X
import Xlib.XK
import Xlib.display
import Xlib.error
import Xlib.ext.xtest
import Xlib.protocol.event

import glyph_sheet

WINDOW_NAME = "Tapquill"
CLIENT_SIZE = (644, 504)  # a 640 x 480 request plus the 4 x 24 frame allowance
COLUMNS = 40
ROWS = 30
TARGET_ROW = 18
TYPED_ROW = 17
SPEED_ROW = 22
ERROR_TEXT_ROW = 21
PERCENT_ROW = 20
PERCENT_COLUMN = 4

PROMPT = (
    "How many words do you want to use? If you either by ineptitude or choice enter\n"
    "an invalid number, I will make you quote bible verses as punishment!\n\n"
    "So, what will it be? "
)
IDLE_TARGET = "       press escape to start"
IDLE_TYPED = "by Brenwick Tallowmere"
ERROR_TEXT = "too bad that you got it wrong though!!"

# Colours the game draws with, as (red, green, blue) factors.
COLOURS = {
    (1.0, 1.0, 1.0): "white",
    (0.7, 0.7, 1.0): "blue",
    (1.0, 0.7, 0.7): "red",
    (1.0, 1.0, 0.7): "yellow",
}
TOLERANCE = 2  # pixel values may be off by this much from exact products
DARK = 64  # channels below this everywhere count as background


class TestFailure(Exception):
    """A check failed; the message says what was expected and what was seen."""


def check(condition, message):
    if not condition:
        raise TestFailure(message)


def poll(condition, timeout, interval=0.02, what="condition"):
    """Calls condition() until it returns a true value, which is returned.

    Raises TestFailure naming `what` after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise TestFailure("timed out after %.1f s waiting for %s" % (timeout, what))
        time.sleep(interval)


# ---------------------------------------------------------------- X server


class XServer:
    """A private virtual X server with GLX, on the first free display."""

    def __init__(self, log_path, screen="1024x768"):
        self.log_path = log_path
        self.screen = screen
        self.process = None
        self.display_name = None
        self.connection = None

    def start(self, timeout=15):
        read_end, write_end = os.pipe()
        log = open(self.log_path, "wb")
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen + "x24",
                 "-nolisten", "tcp", "+extension", "GLX", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                start_new_session=True)
        finally:
            os.close(write_end)
            log.close()
        # Xvfb writes the display number once it accepts connections.
        number = b""
        deadline = time.monotonic() + timeout
        try:
            while not number.endswith(b"\n"):
                remaining = deadline - time.monotonic()
                check(remaining > 0, "Xvfb did not report a display within %d s (log: %s)"
                      % (timeout, self.log_path))
                ready, _, _ = select.select([read_end], [], [], remaining)
                if ready:
                    chunk = os.read(read_end, 16)
                    check(chunk, "Xvfb exited before reporting a display (log: %s)"
                          % self.log_path)
                    number += chunk
        finally:
            os.close(read_end)
        self.display_name = ":" + number.decode().strip()
        self.connection = Xlib.display.Display(self.display_name)
        # Windows come and go under us; a request about a vanished one is not
        # a failure of the test.
        self.connection.set_error_handler(lambda error, request: None)
        return self

    def stop(self):
        if self.connection is not None:
            try:
                self.connection.close()
            except Exception:
                pass
            self.connection = None
        if self.process is not None and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process = None


# ---------------------------------------------------------------- program


def program_command(program):
    """The command line of the program under test.

    An existing file is run as it is; anything else is a command line such
    as "wine build-windows/tapquill.exe"."""
    if os.path.isfile(program):
        return [os.path.abspath(program)]
    # The program runs in its own folder: make paths of existing files absolute.
    return [os.path.abspath(word) if os.path.isfile(word) else word
            for word in shlex.split(program)]


def program_environment(display_name):
    """The caller's environment with the test's display and no other."""
    env = dict(os.environ)
    for name in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "XAUTHORITY"):
        env.pop(name, None)
    if display_name is not None:
        env["DISPLAY"] = display_name
    return env


class Program:
    """The program under test, its console on pipes collected by threads."""

    def __init__(self, command, workdir, env):
        self.command = command
        self.workdir = workdir
        self.env = env
        self.process = None
        self.stdout = bytearray()
        self.stderr = bytearray()
        self.lock = threading.Lock()
        self.threads = []

    def start(self):
        self.process = subprocess.Popen(
            self.command, cwd=self.workdir, env=self.env, stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, start_new_session=True)
        for stream, sink in ((self.process.stdout, self.stdout),
                             (self.process.stderr, self.stderr)):
            thread = threading.Thread(target=self._collect, args=(stream, sink), daemon=True)
            thread.start()
            self.threads.append(thread)
        return self

    def _collect(self, stream, sink):
        while True:
            chunk = os.read(stream.fileno(), 4096)
            if not chunk:
                break
            with self.lock:
                sink.extend(chunk)

    def output(self):
        """(stdout, stderr) so far, as bytes."""
        with self.lock:
            return bytes(self.stdout), bytes(self.stderr)

    def wait_for_stdout(self, length, timeout):
        """Waits until stdout holds `length` bytes or the program has exited."""
        def enough():
            out, _ = self.output()
            return len(out) >= length or self.process.poll() is not None
        poll(enough, timeout, what="%d bytes on standard output" % length)
        # Let a prompt that is longer than expected show itself.
        time.sleep(0.05)
        return self.output()[0]

    def answer(self, text):
        """Writes the console answer (text, or bytes) and closes standard input."""
        try:
            self.process.stdin.write(text if isinstance(text, bytes) else text.encode())
            self.process.stdin.close()
        except BrokenPipeError:
            pass

    def running(self):
        return self.process.poll() is None

    def hold_up(self):
        """Stops the program where it is, as a long-running message or a busy
        system would hold up its frame loop."""
        os.kill(self.process.pid, signal.SIGSTOP)

    def let_go(self):
        os.kill(self.process.pid, signal.SIGCONT)

    def wait_exit(self, timeout):
        """Exit status, or None when it is still running after `timeout` s."""
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None
        for thread in self.threads:
            thread.join(5)
        return status

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait()
        for thread in self.threads:
            thread.join(5)


# ---------------------------------------------------------------- window


def window_name(display, window):
    """The window's name (_NET_WM_NAME, else WM_NAME), or None."""
    try:
        net_name = window.get_full_property(display.intern_atom("_NET_WM_NAME"),
                                            display.intern_atom("UTF8_STRING"))
        if net_name is not None and net_name.value:
            value = net_name.value
            return value.decode("utf-8", "replace") if isinstance(value, bytes) else value
        name = window.get_wm_name()
        if isinstance(name, bytes):
            name = name.decode("latin-1")
        return name
    except Xlib.error.XError:
        return None


def _descendants(window, depth=4):
    try:
        children = window.query_tree().children
    except Xlib.error.XError:
        return
    for child in children:
        yield child
        if depth > 1:
            yield from _descendants(child, depth - 1)


def _viewable(window):
    try:
        return window.get_attributes().map_state == Xlib.X.IsViewable
    except Xlib.error.XError:
        return False


def find_window(connection, name=WINDOW_NAME):
    """The viewable window called `name`, or None."""
    for window in _descendants(connection.screen().root):
        if window_name(connection, window) == name and _viewable(window):
            return window
    return None


def client_area(window):
    """The window that holds the drawing area, and its size.

    The named window itself, unless it holds viewable windows of its own: a
    platform that draws the window's frame itself (wine without a window
    manager) puts the client area in the largest of those."""
    inner = []
    for child in _descendants(window, depth=1):
        try:
            geometry = child.get_geometry()
        except Xlib.error.XError:
            continue
        if _viewable(child):
            inner.append((geometry.width * geometry.height, child,
                          (geometry.width, geometry.height)))
    if inner:
        _, child, size = max(inner, key=lambda item: item[0])
        return child, size
    geometry = window.get_geometry()
    return window, (geometry.width, geometry.height)


def supports_close_request(display, window):
    try:
        protocols = window.get_wm_protocols()
    except Xlib.error.XError:
        return False
    return display.intern_atom("WM_DELETE_WINDOW") in protocols


def request_close(display, window):
    """Asks the window to close, as a window manager does for its close button."""
    message = Xlib.protocol.event.ClientMessage(
        window=window, client_type=display.intern_atom("WM_PROTOCOLS"),
        data=(32, [display.intern_atom("WM_DELETE_WINDOW"), Xlib.X.CurrentTime, 0, 0, 0]))
    window.send_event(message, event_mask=Xlib.X.NoEventMask)
    display.flush()


# ---------------------------------------------------------------- screen


class Cell:
    """One character cell as read from the screen."""

    def __init__(self, char, colour):
        self.char = char  # one-character string
        self.colour = colour  # "white", "blue", "red", "yellow" or "mixed"

    def __repr__(self):
        return "%r/%s" % (self.char, self.colour)


def decode_pixel(red, green, blue):
    """The Cell that a pixel shows, or None for the background.

    The brightest channel is the cell's grey, which names the byte; each
    channel is either that grey or 0.7 of it, which names the colour."""
    top = max(red, green, blue)
    if top < DARK:
        return None
    factors = []
    for channel in (red, green, blue):
        if abs(channel - top) <= TOLERANCE:
            factors.append(1.0)
        elif abs(channel - round(0.7 * top)) <= TOLERANCE:
            factors.append(0.7)
        else:
            factors.append(None)
    colour = COLOURS.get(tuple(factors), "mixed")
    byte = glyph_sheet.byte_of_grey(top)
    if byte is None:
        return Cell("\ufffd", "mixed")
    return Cell(chr(byte), colour)


class Line:
    """A run of character cells read from one text row."""

    def __init__(self, cells, left_pixel, right_pixel, cell_width):
        self.cells = cells  # Cell, or None for a cell with nothing drawn
        self.left_pixel = left_pixel  # first lit pixel column, None when empty
        self.right_pixel = right_pixel  # last lit pixel column
        self.cell_width = cell_width

    @property
    def text(self):
        return "".join(cell.char if cell else "\0" for cell in self.cells)

    @property
    def colours(self):
        return [cell.colour if cell else None for cell in self.cells]

    @property
    def left_units(self):
        """Left edge of the first cell in drawing units."""
        return None if self.left_pixel is None else self.left_pixel / self.cell_width

    def __repr__(self):
        return "Line(%r, colours=%s, left=%s)" % (self.text, self.colours, self.left_pixel)


class Screenshot:
    """One capture of the client area."""

    def __init__(self, window, size, origin=(0, 0)):
        width, height = size
        image = window.get_image(origin[0], origin[1], width, height, Xlib.X.ZPixmap,
                                 0xFFFFFFFF)
        self.width = width
        self.height = height
        self.data = image.data if isinstance(image.data, bytes) else bytes(image.data)
        check(len(self.data) >= width * height * 4,
              "unexpected image format: %d bytes for %dx%d (depth %d)"
              % (len(self.data), width, height, image.depth))
        self.stride = len(self.data) // height
        # 32 bits per pixel in the server's byte order.
        if window.display.info.image_byte_order == Xlib.X.LSBFirst:
            self.offsets = (2, 1, 0)
        else:
            self.offsets = (1, 2, 3)
        self.taken = time.monotonic()

    # -- pixels

    def pixel(self, x, y):
        base = y * self.stride + x * 4
        r, g, b = self.offsets
        return self.data[base + r], self.data[base + g], self.data[base + b]

    def lit(self, x, y):
        return max(self.pixel(x, y)) >= DARK

    @property
    def cell_width(self):
        return self.width / COLUMNS

    @property
    def cell_height(self):
        return self.height / ROWS

    def row_centre(self, row):
        """Pixel row through the middle of text row `row` (counted from the bottom)."""
        return int(self.height - (row + 0.5) * self.cell_height)

    def cell_at(self, centre_x, row):
        """The Cell around pixel column centre_x of text row `row`: the value
        most pixels of a small patch at the centre agree on."""
        cy = self.row_centre(row)
        votes = {}
        count = 0
        for dy in (-3, -1, 0, 1, 3):
            for dx in (-3, -1, 0, 1, 3):
                x = int(round(centre_x)) + dx
                y = cy + dy
                if not (0 <= x < self.width and 0 <= y < self.height):
                    continue
                cell = decode_pixel(*self.pixel(x, y))
                key = None if cell is None else (cell.char, cell.colour)
                votes[key] = votes.get(key, 0) + 1
                count += 1
        key, best = max(votes.items(), key=lambda item: item[1])
        if best * 2 <= count:
            return Cell("\ufffd", "mixed")
        return None if key is None else Cell(*key)

    # -- text

    def read_line(self, row):
        """The characters of a text row that may be shifted by a fraction of a
        cell: the first lit pixel fixes the cell grid."""
        y = self.row_centre(row)
        lit = [x for x in range(self.width) if self.lit(x, y)]
        width = self.cell_width
        if not lit:
            return Line([], None, None, width)
        left, right = lit[0], lit[-1]
        count = int((right + 1 - left) / width + 0.5)
        cells = []
        for k in range(count):
            centre = left + (k + 0.5) * width - 0.5
            if centre > self.width - 1:
                break
            cells.append(self.cell_at(centre, row))
        return Line(cells, left, right, width)

    def read_grid_row(self, row):
        """The 40 cells of a text row drawn on whole columns."""
        return [self.cell_at((c + 0.5) * self.cell_width - 0.5, row) for c in range(COLUMNS)]

    def lit_rows(self):
        """Text rows with anything drawn on their middle pixel row."""
        rows = []
        for row in range(ROWS):
            y = self.row_centre(row)
            if any(self.lit(x, y) for x in range(self.width)):
                rows.append(row)
        return rows

    # -- saving

    def save_png(self, path):
        raw = bytearray()
        for y in range(self.height):
            raw.append(0)
            for x in range(self.width):
                raw.extend(self.pixel(x, y))

        def chunk(kind, payload):
            body = kind + payload
            return struct.pack(">I", len(payload)) + body + struct.pack(
                ">I", zlib.crc32(body) & 0xFFFFFFFF)

        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n")
            out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height,
                                                 8, 2, 0, 0, 0)))
            out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 6)))
            out.write(chunk(b"IEND", b""))
        return path


def grid_text(cells, first=0):
    """Text of grid cells from column `first` up to the first empty cell."""
    text = ""
    for cell in cells[first:]:
        if cell is None:
            break
        text += cell.char
    return text


# ---------------------------------------------------------------- keyboard


KEY_NAMES = {" ": "space", "'": "apostrophe", "-": "minus", ".": "period", ",": "comma"}


def key_name(char):
    """xdotool's name for the key that types `char` (without Shift)."""
    if char in KEY_NAMES:
        return KEY_NAMES[char]
    check(char.isascii() and (char.isalnum()), "no key for %r" % char)
    return char.lower()


class Keyboard:
    """Real X key events through xdotool, on the test's display."""

    HOLD = 0.1  # held keys stay down across many frames

    def __init__(self, display_name):
        self.env = program_environment(display_name)

    def xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.env, check=True, timeout=20,
                       stdout=subprocess.DEVNULL)

    def hold(self, key):
        """Presses `key` and keeps it down for HOLD seconds (Escape is read
        from the held-down state, not from key events)."""
        self.xdotool("keydown", key)
        time.sleep(self.HOLD)
        self.xdotool("keyup", key)

    def tap(self, *keys):
        self.xdotool("key", "--delay", "15", *keys)

    def press_keycodes(self, keycodes, pauses=None):
        """Presses and releases each X key code in turn, through XTEST: the key
        at that place, whatever the keyboard map says it types; pauses[i]
        seconds go before press i. Returns, for each press, the moments
        (time.monotonic()) just before it was sent and just after the X server
        had taken it."""
        display = Xlib.display.Display(self.env["DISPLAY"])
        presses = []
        try:
            for index, keycode in enumerate(keycodes):
                if pauses:
                    time.sleep(pauses[index])
                before = time.monotonic()
                for kind in (Xlib.X.KeyPress, Xlib.X.KeyRelease):
                    Xlib.ext.xtest.fake_input(display, kind, keycode)
                    display.sync()
                    if kind == Xlib.X.KeyPress:
                        presses.append((before, time.monotonic()))
                    time.sleep(0.02)
        finally:
            display.close()
        return presses

    def type_with_pauses(self, text, pauses):
        """Types lower-case letters and spaces as press_keycodes does, with
        pauses[i] seconds before character i; returns the press moments."""
        display = Xlib.display.Display(self.env["DISPLAY"])
        try:
            keycodes = [display.keysym_to_keycode(Xlib.XK.string_to_keysym(key_name(char)))
                        for char in text]
        finally:
            display.close()
        return self.press_keycodes(keycodes, pauses)

    def load_layout(self, symbols):
        """Gives every key the keysyms (without and with Shift, and AltGr) of
        an XKB layout such as "pc+fr", compiled by xkbcomp and loaded through
        the core protocol: this X server ignores XKB keymap uploads."""
        source = ('xkb_keymap { xkb_keycodes { include "evdev+aliases(qwerty)" };'
                  ' xkb_types { include "complete" }; xkb_compat { include "complete" };'
                  ' xkb_symbols { include "%s" }; };' % symbols)
        compiled = subprocess.run(["xkbcomp", "-w", "0", "-xkb", "-", "-o", "-"],
                                  input=source.encode(), stdout=subprocess.PIPE,
                                  stderr=subprocess.DEVNULL, check=True).stdout.decode()
        codes = {name: int(code) for name, code in
                 re.findall(r"<(\w+)>\s*=\s*(\d+);", compiled)}
        keys = {}
        for name, levels in re.findall(r"key <(\w+)> \{[^}]*?symbols\[Group1\]=\s*\[([^\]]*)\]",
                                       compiled):
            if codes.get(name, 0) in range(8, 256):
                keys[codes[name]] = [level.strip() for level in levels.split(",")][:4]
        check(keys, "xkbcomp gave no keys for %r" % symbols)
        self.map_keys(keys)

    def map_keys(self, keys):
        """Gives key codes other characters, as another keyboard layout does:
        `keys` maps a key code to its keysym names without and with Shift,
        then with AltGr (unknown names type nothing)."""
        for group in ("xkb", "greek", "latin2", "latin3", "latin4", "publishing", "technical",
                      "special"):
            Xlib.XK.load_keysym_group(group)
        display = Xlib.display.Display(self.env["DISPLAY"])
        try:
            for keycode, names in keys.items():
                current = list(display.get_keyboard_mapping(keycode, 1)[0])
                # Core map order: group 1 levels 1 and 2, group 2, then levels 3 and 4.
                for level, name in zip((0, 1, 4, 5), names):
                    if level < len(current):
                        current[level] = Xlib.XK.string_to_keysym(name)
                display.change_keyboard_mapping(keycode, [current])
            display.sync()
        finally:
            display.close()

    def type_fast(self, text):
        """Types lower-case letters and spaces one millisecond apart."""
        self.xdotool("type", "--delay", "1", text)

    def type_text(self, text):
        """Types `text` key by key; capitals with Shift held around the key."""
        plain = []
        for char in text:
            if char.isupper():
                if plain:
                    self.tap(*plain)
                    plain = []
                self.xdotool("keydown", "Shift_L")
                time.sleep(self.HOLD)
                self.xdotool("key", key_name(char))
                time.sleep(self.HOLD)
                self.xdotool("keyup", "Shift_L")
            else:
                plain.append(key_name(char))
        if plain:
            self.tap(*plain)


# ---------------------------------------------------------------- session


def uptime_clocks():
    """Milliseconds since boot on the clocks a 'time since the system
    started' may come from."""
    return {
        "monotonic": int(time.clock_gettime(time.CLOCK_MONOTONIC) * 1000),
        "boottime": int(time.clock_gettime(time.CLOCK_BOOTTIME) * 1000),
    }


class Session:
    """One run of the program under its own X server, in its own folder.

    Use as a context manager; everything started is stopped on leaving,
    also when a check failed."""

    def __init__(self, options, name, files, with_display=True, screen="1024x768"):
        self.options = options
        self.screen = screen
        self.picture = None  # (x, y, width, height) of the client area read as the picture
        self.name = name
        self.files = files  # file name -> bytes, written into the folder
        self.with_display = with_display
        self.server = None
        self.program = None
        self.window = None
        self.client = None
        self.client_size = None
        self.keyboard = None
        self.workdir = None
        self.shots = 0
        self.console_output = b""  # what the program writes on standard output

    def __enter__(self):
        os.makedirs(self.options.artifacts, exist_ok=True)
        self.workdir = tempfile.mkdtemp(prefix="tapquill-e2e-")
        for file_name, contents in self.files.items():
            with open(os.path.join(self.workdir, file_name), "wb") as out:
                out.write(contents)
        if self.with_display:
            self.server = XServer(os.path.join(self.options.artifacts, self.name + "-xvfb.log"),
                                  self.screen).start()
            self.keyboard = Keyboard(self.server.display_name)
        return self

    def __exit__(self, kind, value, traceback):
        if kind is not None and self.program is not None:
            out, err = self.program.output()
            print("program stdout: %r" % out, file=sys.stderr)
            print("program stderr: %r" % err, file=sys.stderr)
        if kind is not None and self.client is not None:
            try:
                path = self.save_screenshot("failure")
                print("screenshot at failure: %s" % path, file=sys.stderr)
            except Exception as error:  # the window may be gone
                print("no screenshot at failure: %s" % error, file=sys.stderr)
        if self.program is not None:
            self.program.kill()
        if self.server is not None:
            self.server.stop()
        if self.workdir is not None:
            shutil.rmtree(self.workdir, ignore_errors=True)
        return False

    @property
    def display_name(self):
        return None if self.server is None else self.server.display_name

    def start_program(self, answer, env=None, command=None, question=True):
        """Starts the program (or `command`), checks the prompt byte for byte,
        answers it. Without a `question` (the command line answers it), the
        answer is what standard input holds."""
        if env is None:
            env = program_environment(self.display_name)
            # Results of test attempts stay out of the player's own history.
            env["XDG_DATA_HOME"] = os.path.join(self.workdir, "xdg-data")
        if command is None:
            command = program_command(self.options.program)
        self.program = Program(command, self.workdir, env).start()
        if question:
            prompt = self.options.prompt
            out = self.program.wait_for_stdout(len(prompt), 20)
            check(out == prompt, "console prompt:\n expected %r\n read     %r" % (prompt, out))
            self.console_output = prompt
        else:
            self.console_output = b""
        self.program.answer(answer)
        return self.program

    def wait_for_window(self, timeout=20):
        def found():
            check(self.program.running(),
                  "the program exited (status %s) before its window appeared"
                  % self.program.process.poll())
            return find_window(self.server.connection)
        self.window = poll(found, timeout, interval=0.05, what="a window named %r" % WINDOW_NAME)
        self.client, self.client_size = client_area(self.window)
        return self.window

    def screenshot(self):
        if self.picture is not None:
            return Screenshot(self.client, self.picture[2:], self.picture[:2])
        return Screenshot(self.client, self.client_size)

    def save_screenshot(self, label, shot=None):
        shot = shot or self.screenshot()
        self.shots += 1
        path = os.path.join(self.options.artifacts,
                            "%s-%02d-%s.png" % (self.name, self.shots, label))
        return shot.save_png(path)

    def wait_for_screen(self, condition, timeout, what, interval=0.03):
        """Takes screenshots until condition(shot) is true; returns that shot.

        On a time-out the last screenshot is saved and named in the failure."""
        last = [None]

        def attempt():
            check(self.program.running(), "the program exited (status %s) while waiting for %s"
                  % (self.program.process.poll(), what))
            shot = self.screenshot()
            last[0] = shot
            return shot if condition(shot) else None
        try:
            return poll(attempt, timeout, interval=interval, what=what)
        except TestFailure as failure:
            if last[0] is not None:
                path = self.save_screenshot("timeout", last[0])
                raise TestFailure("%s\n last screen: target %r, typed %r, rows lit %s\n "
                                  "screenshot: %s" % (failure, last[0].read_line(TARGET_ROW),
                                                      last[0].read_line(TYPED_ROW),
                                                      last[0].lit_rows(), path))
            raise

    def close_and_check_exit(self, timeout=15, errors=b"", output=b""):
        """Sends the close request; the program must end with status 0 having
        written `output` after the prompt and `errors` on standard error
        (nothing unless given)."""
        check(supports_close_request(self.server.connection, self.window),
              "the window does not take WM_DELETE_WINDOW close requests")
        request_close(self.server.connection, self.window)
        status = self.program.wait_exit(timeout)
        check(status is not None, "the program still runs %d s after the close request" % timeout)
        out, err = self.program.output()
        check(status == 0, "exit status after the close request: expected 0, got %s" % status)
        check(out == self.console_output + output,
              "standard output after the prompt: expected %r, got %r"
              % (output, out[len(self.console_output):]))
        check(err == errors, "standard error: expected %r, got %r" % (errors, err))
        self.client = None


def standard_files(dictionary=None, verses=None):
    """The data files of a run: the test glyph sheet and the given sources."""
    files = {"font.tga": glyph_sheet.glyph_sheet_tga()}
    if dictionary is not None:
        files["dictionary.dat"] = dictionary
    if verses is not None:
        files["bible.dat"] = verses
    return files


def float32(value):
    return struct.unpack("<f", struct.pack("<f", value))[0]


def format_float(value):
    """The game's "%f" text of a 32-bit float."""
    return "%f" % float32(value)


SPEED_PATTERN = re.compile(r"^(-?\d+\.\d{6}) wpm$")
