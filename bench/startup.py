#!/usr/bin/python3
"""Times start-up under a private Xvfb: from the console answer to the first
frame on screen, for the game and for the minimal SDL2 program that opens the
same window and context and swaps once.

    bench/startup.py GAME MINIMAL [--runs N] [--json FILE]

GAME is the game's executable with its data files beside it; MINIMAL is
bench_minimal_window. Both are started with their console on pipes and wait
for an answer; the clock starts when the answer is written and stops when a
window of the expected name is viewable and shows a pixel that is not black
(the game's first frame draws its idle texts, the minimal one clears to grey).
The window is polled every POLL_SECONDS; runs alternate between the two.
"""
import argparse
import json
import os
import select
import statistics
import subprocess
import sys
import time

import Xlib.X
import Xlib.display
import Xlib.error

POLL_SECONDS = 0.002
TIMEOUT_SECONDS = 30
GAME_PROMPT_END = b"So, what will it be? "
MINIMAL_PROMPT_END = b"? "


def start_xvfb():
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
         "-nolisten", "tcp", "+extension", "GLX", "-noreset"],
        pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL, start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 15
    while not number.endswith(b"\n"):
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            process.kill()
            sys.exit("startup: Xvfb reported no display")
        ready, _, _ = select.select([read_end], [], [], remaining)
        if ready:
            chunk = os.read(read_end, 16)
            if not chunk:
                sys.exit("startup: Xvfb exited")
            number += chunk
    os.close(read_end)
    return process, ":" + number.decode().strip()


def window_named(display, name):
    try:
        children = display.screen().root.query_tree().children
    except Xlib.error.XError:
        return None
    for window in children:
        try:
            if window.get_wm_name() == name and \
                    window.get_attributes().map_state == Xlib.X.IsViewable:
                return window
        except Xlib.error.XError:
            continue
    return None


def shows_something(window):
    try:
        geometry = window.get_geometry()
        image = window.get_image(0, 0, geometry.width, geometry.height, Xlib.X.ZPixmap,
                                 0x00FFFFFF)
    except Xlib.error.XError:
        return False
    return any(image.data)


def read_until(process, ending):
    seen = b""
    deadline = time.monotonic() + TIMEOUT_SECONDS
    while not seen.endswith(ending):
        remaining = deadline - time.monotonic()
        if remaining <= 0 or process.poll() is not None:
            return False
        ready, _, _ = select.select([process.stdout], [], [], remaining)
        if ready:
            chunk = os.read(process.stdout.fileno(), 4096)
            if not chunk:
                return False
            seen += chunk
    return True


def one_run(command, workdir, env, prompt_end, answer, window_name, display):
    process = subprocess.Popen(command, cwd=workdir, env=env, stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    try:
        if not read_until(process, prompt_end):
            raise RuntimeError("%s did not ask its question" % command[0])
        began = time.perf_counter()
        process.stdin.write(answer)
        process.stdin.flush()
        deadline = began + TIMEOUT_SECONDS
        while time.perf_counter() < deadline:
            window = window_named(display, window_name)
            if window is not None and shows_something(window):
                return time.perf_counter() - began
            if process.poll() is not None:
                raise RuntimeError("%s exited before its first frame" % command[0])
            time.sleep(POLL_SECONDS)
        raise RuntimeError("%s showed no frame within %d s" % (command[0], TIMEOUT_SECONDS))
    finally:
        process.kill()
        process.wait()
        display.sync()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("game")
    parser.add_argument("minimal")
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--json")
    args = parser.parse_args()
    game = os.path.abspath(args.game)
    minimal = os.path.abspath(args.minimal)

    xvfb, display_name = start_xvfb()
    try:
        display = Xlib.display.Display(display_name)
        display.set_error_handler(lambda error, request: None)
        env = dict(os.environ, DISPLAY=display_name)
        env.pop("WAYLAND_DISPLAY", None)
        times = {"game": [], "minimal": []}
        # One untimed run of each first, so both start from warm caches.
        for timed in [False] + [True] * args.runs:
            game_time = one_run([game], os.path.dirname(game), env, GAME_PROMPT_END,
                                b"5\n", "Tapquill", display)
            minimal_time = one_run([minimal], os.path.dirname(minimal), env,
                                   MINIMAL_PROMPT_END, b"5\n", "minimal", display)
            if timed:
                times["game"].append(game_time)
                times["minimal"].append(minimal_time)
        display.close()
    finally:
        xvfb.terminate()
        xvfb.wait()

    result = {name: {"median_ms": statistics.median(values) * 1e3,
                     "min_ms": min(values) * 1e3, "max_ms": max(values) * 1e3,
                     "runs": len(values)} for name, values in times.items()}
    result["ratio"] = result["game"]["median_ms"] / result["minimal"]["median_ms"]
    result["poll_ms"] = POLL_SECONDS * 1e3
    text = json.dumps(result, indent=2)
    if args.json:
        with open(args.json, "w") as out:
            out.write(text + "\n")
    print(text)


if __name__ == "__main__":
    main()
