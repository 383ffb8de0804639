#!/usr/bin/python3
"""Runs every libFuzzer harness for a fixed time on a scratch copy of the
committed corpus, a few at a time, and says what each found.

    fuzz/run-fuzz.py BUILD_DIR [--seconds N] [--jobs N] [reader ...]

The scratch corpus lives in BUILD_DIR/fuzz-work/<reader>/corpus: it starts as
a copy of fuzz/corpus/<reader> and fuzz/regressions/<reader> and keeps what
the fuzzer adds, so the committed corpus changes only when someone copies
files back. Crash, leak, timeout and memory-limit inputs land in
BUILD_DIR/fuzz-work/<reader>/artifacts/. The exit status is 1 when any
harness stopped on a finding.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
READERS = ["tga", "bmp", "pnm", "words", "history", "text"]
FUZZ_FLAGS = ["-rss_limit_mb=2048", "-timeout=2", "-print_final_stats=1"]


def prepare(work, reader):
    corpus = os.path.join(work, reader, "corpus")
    artifacts = os.path.join(work, reader, "artifacts")
    os.makedirs(corpus, exist_ok=True)
    os.makedirs(artifacts, exist_ok=True)
    for source in ("corpus", "regressions"):
        folder = os.path.join(HERE, source, reader)
        if os.path.isdir(folder):
            for name in sorted(os.listdir(folder)):
                path = os.path.join(folder, name)
                if os.path.isfile(path) and not name.startswith("."):
                    shutil.copy(path, os.path.join(corpus, name))
    return corpus, artifacts


def start(build, work, reader, seconds):
    binary = os.path.join(build, "fuzz", "fuzz_" + reader)
    if not os.path.exists(binary):
        sys.exit("run-fuzz: %s is missing; build the fuzz preset first" % binary)
    corpus, artifacts = prepare(work, reader)
    log = open(os.path.join(work, reader + ".log"), "w")
    command = [binary, "-max_total_time=%d" % seconds,
               "-artifact_prefix=" + artifacts + os.sep] + FUZZ_FLAGS + [corpus]
    print("run-fuzz: %s for %d s (log %s)" % (reader, seconds, log.name), flush=True)
    return subprocess.Popen(command, stdout=log, stderr=subprocess.STDOUT), log


def summary(reader, log_path, status):
    with open(log_path, errors="replace") as log:
        text = log.read()
    runs = re.findall(r"stat::number_of_executed_units:\s*(\d+)", text)
    cov = re.findall(r"cov: (\d+) ft: (\d+) corp: (\d+)", text)
    found = re.findall(r"(ERROR: \w+Sanitizer: [^\n]*|ERROR: libFuzzer: [^\n]*|"
                       r"fuzz harness: [^\n]*|==\d+== ERROR: [^\n]*)", text)
    saved = re.findall(r"(?:Test unit written to|artifact_prefix.*?) (\S+)", text)
    line = "%-6s %s, %s executions" % (reader, "ok" if status == 0 else "FOUND SOMETHING",
                                         runs[-1] if runs else "?")
    if cov:
        line += ", coverage %s, features %s, corpus %s" % cov[-1]
    print(line)
    for item in found[:3]:
        print("       " + item)
    for item in saved:
        print("       input: " + item)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--seconds", type=int, default=300)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("readers", nargs="*", default=READERS)
    args = parser.parse_intermixed_args()
    build = os.path.abspath(args.build)
    work = os.path.join(build, "fuzz-work")
    os.makedirs(work, exist_ok=True)

    waiting = list(args.readers)
    running = {}
    results = {}
    began = time.time()
    while waiting or running:
        while waiting and len(running) < max(1, args.jobs):
            reader = waiting.pop(0)
            running[reader] = start(build, work, reader, args.seconds)
        time.sleep(1)
        for reader, (process, log) in list(running.items()):
            if process.poll() is not None:
                log.close()
                results[reader] = (log.name, process.returncode)
                del running[reader]

    print("run-fuzz: %d harness(es), %d s each, %.0f s in all" %
          (len(results), args.seconds, time.time() - began))
    for reader in args.readers:
        summary(reader, *results[reader])
    return 0 if all(status == 0 for _, status in results.values()) else 1


if __name__ == "__main__":
    sys.exit(main())
