#!/usr/bin/env python3
"""Profiles torvale and the baseline under Xvfb: where their CPU time and resident memory go.

Usage: python3 bench/profile.py [--build build/bench] [--seconds 8]   (needs perf, Debian's linux-perf;
build the bench preset first, e.g. with bench/measure.sh). Samples each program's threads on the CPU
clock with perf after start-up, with a ball kept in play, and reads its memory map at the end.
"""
import argparse
import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

from measure import BASELINE_TITLE, GAME_TITLE, Xvfb, wait_until

FREQUENCY = 1999  # samples per second of CPU time, per thread
# The game's own functions and the toolkit calls they spend in, with everything they call.
INCLUSIVE = ["display", "drawWall", "drawBarAndStatus", "glutBitmapCharacter", "glutSwapBuffers", "tick"]


def perf_lines(data, *args):
    result = subprocess.run(["perf", "report", "-i", data, "--stdio", "-g", "none", *args], capture_output=True,
                            text=True, timeout=300)
    return [line for line in result.stdout.splitlines() if re.match(r"\s+[\d.]+%", line)]


def resident_by_mapping(pid):
    resident = collections.Counter()
    name = ""
    with open(f"/proc/{pid}/smaps") as smaps:
        for line in smaps:
            if re.match(r"[0-9a-f]+-[0-9a-f]+ ", line):
                fields = line.split(maxsplit=5)
                path = fields[5].strip() if len(fields) > 5 else ""
                name = os.path.basename(path) if path.startswith("/") else path or "anonymous"
            elif line.startswith("Rss:"):
                resident[name] += int(line.split()[1])
    return resident


def record(pid, seconds, data, x, call_graph):
    """Samples for the given seconds while pressing B every second."""
    options = ["--call-graph", "dwarf,8192"] if call_graph else []
    recorder = subprocess.Popen(["perf", "record", "-q", "-e", "cpu-clock", "-F", str(FREQUENCY), *options,
                                 "-p", str(pid), "-o", data], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        time.sleep(1.0)
        x.xdotool("key", "b")
    recorder.send_signal(2)  # SIGINT: perf writes its file and stops
    recorder.wait(timeout=60)


def profile(binary, title, seconds, scratch, call_graph):
    """Two recordings of one run: plain samples for CPU time (stack copies would inflate it), then
    samples with call stacks for the inclusive shares."""
    data = os.path.join(scratch, os.path.basename(binary) + ".perf")
    stacks = data + ".stacks" if call_graph else None
    with Xvfb() as x:
        program = subprocess.Popen([binary], env=x.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        try:
            found = wait_until(lambda: x.xdotool("search", "--name", "^" + re.escape(title) + "$").split(), 20,
                               interval=0.01, what="the window")
            x.xdotool("mousemove", "--window", found[0].decode(), "200", "250")
            x.xdotool("key", "b")
            time.sleep(1.0)
            record(program.pid, seconds, data, x, call_graph=False)
            memory = resident_by_mapping(program.pid)
            if stacks:
                record(program.pid, seconds, stacks, x, call_graph=True)
        finally:
            program.kill()
            program.wait(timeout=10)
    return data, stacks, memory


def report(name, binary, data, stacks, memory, seconds):
    """CPU time per second of play, by thread and library, and the game's inclusive shares."""
    print(f"\n### {name}\n\n| thread | library | CPU (ms/s) |\n|---|---|---:|")
    rows = perf_lines(data, "--no-children", "--sort", "comm,dso", "--show-total-period")
    total_ms = 0.0
    for line in rows:
        share, period, comm, dso = re.match(r"\s+([\d.]+)%\s+(\d+)\s+(\S+)\s+(.+?)\s*$", line).groups()
        ms = int(period) / 1e6 / seconds  # cpu-clock periods are nanoseconds
        total_ms += ms
        if float(share) >= 1.0 or dso == os.path.basename(binary):  # the program's own code, however little
            print(f"| {comm} | {dso} | {ms:.1f} |")
    print(f"| all threads | all (rows under 1 % of the samples not shown) | {total_ms:.1f} |")
    inclusive = {}
    for line in perf_lines(stacks, "--children", "--sort", "sym") if stacks else []:
        found = re.match(r"\s+([\d.]+)%\s+[\d.]+%\s+\[.\]\s+(\S+)", line)
        if found and found.group(2) in INCLUSIVE:
            inclusive[found.group(2)] = float(found.group(1))
    if inclusive:
        print("\n| function, with all it calls | share of samples |\n|---|---:|")
        for function in INCLUSIVE:
            print(f"| {function} | {inclusive.get(function, 0.0):.1f} % |")
    print("\n| mapping | resident (MiB) |\n|---|---:|")
    for mapping, kib in memory.most_common(6):
        print(f"| {mapping} | {kib / 1024:.1f} |")
    print(f"| all | {sum(memory.values()) / 1024:.1f} |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/bench", help="the bench preset's build directory")
    parser.add_argument("--seconds", type=float, default=8.0, help="seconds sampled per program")
    args = parser.parse_args()
    if not shutil.which("perf"):
        sys.exit("profile: needs perf (Debian package linux-perf)")
    build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory(prefix="torvale-profile-") as scratch:
        for name, binary, title in (("baseline", os.path.join(build, "bench", "torvale_baseline"), BASELINE_TITLE),
                                    ("torvale", os.path.join(build, "torvale"), GAME_TITLE)):
            data, stacks, memory = profile(binary, title, args.seconds, scratch, call_graph=name == "torvale")
            report(name, binary, data, stacks, memory, args.seconds)


if __name__ == "__main__":
    main()
