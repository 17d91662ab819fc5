#!/usr/bin/env python3
"""Measures torvale beside the baseline GLUT program under Xvfb and prints the results as Markdown.

Run it through bench/measure.sh, which builds the bench preset first. Each program runs alone on its
own Xvfb with libtorvale_timestamps.so preloaded, in alternating order over a few rounds, with a ball
kept in play by pressing B every second (and N after a game over). Exits 1 when a target is missed.
"""
import argparse
import json
import os
import re
import statistics
import struct
import subprocess
import sys
import tempfile
import time

# The end-to-end tests' X driver: a private Xvfb per run and bounded polling.
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from harness import TITLE as GAME_TITLE, Xvfb, wait_until  # noqa: E402

BASELINE_TITLE = "torvale baseline"

# The record written by bench/timestamps.cpp: header, then tick stamps, swap stamps, ball flags.
HEADER = struct.Struct("<8sQQQII")  # magic, loadNs, tickCount, swapCount, entries, ballInLastFrame
MAGIC = b"TVTS0001"

CLOCK_TICKS = os.sysconf("SC_CLK_TCK")
PRESS_INTERVAL = 0.5  # seconds between two presses of B: a lost ball is back in play within this


class Record:
    """One program's timestamps, as bench/timestamps.cpp maps them into a file."""

    def __init__(self, path):
        with open(path, "rb") as source:
            data = source.read()
        magic, self.load_ns, ticks, swaps, entries, _ = HEADER.unpack_from(data)
        if magic != MAGIC:
            raise RuntimeError(f"{path} is not a timestamp record")
        ticks_at = HEADER.size
        swaps_at = ticks_at + 8 * entries
        flags_at = swaps_at + 8 * entries
        self.ticks = struct.unpack_from(f"<{min(ticks, entries)}Q", data, ticks_at)
        self.swaps = struct.unpack_from(f"<{min(swaps, entries)}Q", data, swaps_at)
        self.swap_had_ball = data[flags_at:flags_at + len(self.swaps)]
        self.tick_done = struct.unpack_from(f"<{len(self.ticks)}Q", data, flags_at + entries)


def read_header(path):
    try:
        with open(path, "rb") as source:
            data = source.read(HEADER.size)
    except FileNotFoundError:
        return None
    if len(data) < HEADER.size or data[:8] != MAGIC:
        return None
    _, _, ticks, swaps, _, ball = HEADER.unpack(data)
    return {"ticks": ticks, "swaps": swaps, "ball": ball}


def cpu_seconds(pid):
    """User plus system time of the whole process, all its threads included."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / CLOCK_TICKS


def peak_resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        return int(re.search(r"^VmHWM:\s+(\d+) kB", status.read(), re.M).group(1))


def launch(x, binary, preload, stamps):
    env = dict(x.env, LD_PRELOAD=preload, TORVALE_TIMESTAMPS=stamps)
    launched_ns = time.monotonic_ns()
    program = subprocess.Popen([binary], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    return program, launched_ns


def wait_for_first_frame(kind, stamps):
    wait_until(lambda: (read_header(stamps) or {}).get("swaps", 0) >= 1, 20, interval=0.01,
               what=f"{kind}'s first frame")


def time_to_first_frame(kind, binary, preload):
    """A launch that ends at the first swapped frame: more start-up samples at little cost."""
    with Xvfb() as x, tempfile.TemporaryDirectory(prefix="torvale-bench-") as scratch:
        stamps = os.path.join(scratch, "timestamps")
        program, launched_ns = launch(x, binary, preload, stamps)
        try:
            wait_for_first_frame(kind, stamps)
        finally:
            program.kill()
            program.wait(timeout=10)
        return (Record(stamps).swaps[0] - launched_ns) / 1e6


def run_program(kind, binary, title, preload, seconds, settle):
    """One run on a fresh X server: launch, wait for the first frame, then a measured window."""
    is_game = kind == "torvale"
    with Xvfb() as x, tempfile.TemporaryDirectory(prefix="torvale-bench-") as scratch:
        stamps = os.path.join(scratch, "timestamps")
        program, launched_ns = launch(x, binary, preload, stamps)
        try:
            wait_for_first_frame(kind, stamps)
            found = wait_until(lambda: x.xdotool("search", "--name", "^" + re.escape(title) + "$").split(), 10,
                               interval=0.01, what=f"{kind}'s window")
            # Without a window manager the keyboard goes to the window under the pointer.
            x.xdotool("mousemove", "--window", found[0].decode(), "200", "250")
            x.xdotool("key", "b")
            time.sleep(settle)

            cpu_before, server_before = cpu_seconds(program.pid), cpu_seconds(x.process.pid)
            start_ns = time.monotonic_ns()
            end_ns = start_ns + int(seconds * 1e9)
            refused = 0
            while (left := end_ns - time.monotonic_ns()) > 0:
                time.sleep(min(PRESS_INTERVAL, left / 1e9))
                # B is refused only after a game over: two idle checks in a row ask for a new game.
                if is_game and not read_header(stamps)["ball"]:
                    refused += 1
                    if refused >= 2:
                        x.xdotool("key", "n")
                        refused = 0
                else:
                    refused = 0
                x.xdotool("key", "b")
            end_ns = time.monotonic_ns()
            cpu_after, server_after = cpu_seconds(program.pid), cpu_seconds(x.process.pid)
            peak_kib = peak_resident_kib(program.pid)
            if program.poll() is not None:
                raise RuntimeError(f"{kind} exited with status {program.returncode} during the measurement")
        finally:
            program.kill()
            program.wait(timeout=10)
        record = Record(stamps)

    ticks = [t for t in record.ticks if start_ns <= t < end_ns]
    tick_costs = [(done - t) / 1e3 for t, done in zip(record.ticks, record.tick_done)
                  if start_ns <= t < end_ns and done > t]
    swaps = [(t, ball) for t, ball in zip(record.swaps, record.swap_had_ball) if start_ns <= t < end_ns]
    return {
        "duration": (end_ns - start_ns) / 1e9,
        "periods_ms": [(b - a) / 1e6 for a, b in zip(ticks, ticks[1:])],
        "frame_intervals_ms": [(b[0] - a[0]) / 1e6 for a, b in zip(swaps, swaps[1:])],
        "tick_to_swap_ms": tick_to_swap_ms(ticks, [t for t, _ in swaps]),
        "tick_cost_us": tick_costs,
        "frames": len(swaps),
        "ball_frames": sum(1 for _, ball in swaps if ball),
        "cpu": cpu_after - cpu_before,
        "server_cpu": server_after - server_before,
        "peak_kib": peak_kib,
        "startup_ms": (record.swaps[0] - launched_ns) / 1e6,
    }


def tick_to_swap_ms(ticks, swaps):
    """For each frame, the time from the tick that asked for it to its swap returning."""
    latencies, last_tick, i = [], None, 0
    for swap in swaps:
        while i < len(ticks) and ticks[i] <= swap:
            last_tick, i = ticks[i], i + 1
        if last_tick is not None:
            latencies.append((swap - last_tick) / 1e6)
    return latencies


def percentile(values, fraction):
    """Linear interpolation between the closest ranks."""
    ordered = sorted(values)
    at = (len(ordered) - 1) * fraction
    low = int(at)
    high = min(low + 1, len(ordered) - 1)
    return ordered[low] + (ordered[high] - ordered[low]) * (at - low)


def summarise(runs, startups):
    # Rates from the intervals rather than counts in the window: no error of plus or minus one tick.
    duration = sum(run["duration"] for run in runs)
    periods = [p for run in runs for p in run["periods_ms"]]
    intervals = [p for run in runs for p in run["frame_intervals_ms"]]
    frames = sum(run["frames"] for run in runs)
    return {
        "period_mean": statistics.fmean(periods),
        "period_p50": percentile(periods, 0.50),
        "period_p99": percentile(periods, 0.99),
        "ticks_per_s": 1000 / statistics.fmean(periods),
        "fps": 1000 / statistics.fmean(intervals),
        "tick_to_swap_p50": percentile([p for run in runs for p in run["tick_to_swap_ms"]], 0.50),
        "tick_cost_p50": percentile([c for run in runs for c in run["tick_cost_us"]], 0.50),
        "tick_cost_mean": statistics.fmean(c for run in runs for c in run["tick_cost_us"]),
        "cpu_ms_per_s": 1000 * sum(run["cpu"] for run in runs) / duration,
        "peak_mib": max(run["peak_kib"] for run in runs) / 1024,
        "startup_ms": statistics.median([run["startup_ms"] for run in runs] + startups),
        "ball_share": sum(run["ball_frames"] for run in runs) / frames if frames else 0.0,
        "server_cpu_ms_per_s": 1000 * sum(run["server_cpu"] for run in runs) / duration,
        "seconds": duration,
    }


def micro_benchmarks(binary, repetitions):
    """Median time in nanoseconds of each micro-benchmark: CPU time, or the timed call alone for the
    cold ones, whose cache flushing between calls is left out."""
    output = subprocess.run([binary, "--benchmark_format=json", f"--benchmark_repetitions={repetitions}",
                             "--benchmark_report_aggregates_only=true", "--benchmark_min_time=0.2"],
                            capture_output=True, text=True, timeout=300, check=True).stdout
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    medians = {}
    for bench in json.loads(output)["benchmarks"]:
        if bench.get("error_occurred"):
            raise RuntimeError(f"micro-benchmark {bench['name']}: {bench.get('error_message')}")
        if bench.get("aggregate_name") == "median" or (repetitions == 1 and bench["run_type"] == "iteration"):
            manual = "manual_time" in bench["run_name"]
            name = bench["run_name"].split("/iterations")[0]
            medians[name] = bench["real_time" if manual else "cpu_time"] * scale[bench["time_unit"]]
    return medians


def allocation_check(binary):
    result = subprocess.run([binary], capture_output=True, text=True, timeout=120)
    found = re.search(r"(\d+) allocations", result.stderr)
    if not found:
        raise RuntimeError(f"allocation check said: {result.stderr.strip()}")
    return int(found.group(1)), result.returncode == 0


def ratio(game, baseline):
    return f"{game / baseline:.3f}" if baseline else "n/a"


def report(args, game, baseline, micro, allocations, loads):
    rows = [
        ("tick period, mean (ms)", "period_mean", "{:.3f}"),
        ("tick period, p50 (ms)", "period_p50", "{:.3f}"),
        ("tick period, p99 (ms)", "period_p99", "{:.3f}"),
        ("ticks per second", "ticks_per_s", "{:.2f}"),
        ("frames per second", "fps", "{:.2f}"),
        ("timer callback in place, p50 (us)", "tick_cost_p50", "{:.2f}"),
        ("timer callback in place, mean (us)", "tick_cost_mean", "{:.2f}"),
        ("tick to its frame swapped, p50 (ms)", "tick_to_swap_p50", "{:.3f}"),
        ("CPU time per second (ms/s)", "cpu_ms_per_s", "{:.1f}"),
        ("peak resident memory, VmHWM (MiB)", "peak_mib", "{:.1f}"),
        ("exec to first swapped frame, median (ms)", "startup_ms", "{:.1f}"),
    ]
    lines = [f"Measured {time.strftime('%Y-%m-%d %H:%M')}: {args.rounds} rounds of {args.seconds:g} s per "
             f"program ({game['seconds']:.1f} s in all each) and {args.rounds + args.launches} start-ups, "
             f"alternating order; load average {loads[0]:.2f} before, {loads[1]:.2f} after.", "",
             "| measure | baseline | torvale | torvale / baseline |", "|---|---:|---:|---:|"]
    for label, key, form in rows:
        lines.append(f"| {label} | {form.format(baseline[key])} | {form.format(game[key])} | "
                     f"{ratio(game[key], baseline[key])} |")
    lines.append(f"| frames with a ball in play | n/a | {100 * game['ball_share']:.1f} % | |")
    lines.append(f"| X server CPU time per second (ms/s) | {baseline['server_cpu_ms_per_s']:.1f} | "
                 f"{game['server_cpu_ms_per_s']:.1f} | {ratio(game['server_cpu_ms_per_s'], baseline['server_cpu_ms_per_s'])} |")

    def own_work(tick_ns, frame_ns):
        per_second = tick_ns * game["ticks_per_s"] + frame_ns * game["fps"]
        return per_second, 100 * per_second / (game["cpu_ms_per_s"] * 1e6) if game["cpu_ms_per_s"] else float("inf")

    tick_ns, frame_ns = micro["worstCaseTick"], micro["frame"]
    own_ns_per_s, share = own_work(tick_ns, frame_ns)
    cold_ns_per_s, cold_share = own_work(micro["worstCaseTickCold"], micro["frameCold"])
    in_place_us = game["tick_cost_p50"] - baseline["tick_cost_p50"]
    lines += ["", "| the game's own work, null toolkit (median) | warm caches (ns) | caches flushed (ns) |",
              "|---|---:|---:|",
              f"| worst-case tick | {tick_ns:.1f} | {micro['worstCaseTickCold']:.1f} |",
              f"| one frame | {frame_ns:.1f} | {micro['frameCold']:.1f} |",
              f"| key command D | {micro['keyCommand/d']:.1f} | |",
              f"| key command N | {micro['keyCommand/n']:.1f} | |",
              f"| per second of play: tick x ticks/s + frame x frames/s | {own_ns_per_s:.0f} | {cold_ns_per_s:.0f} |",
              f"| **share of torvale's CPU time** | **{share:.3f} %** | {cold_share:.3f} % (bound) |",
              "", f"In place, torvale's timer callback takes {1000 * in_place_us:.0f} ns more than the baseline's "
              "(p50): the game's tick as the running program sees it, between the warm and the flushed figure."]

    cadence = 100 * (game["ticks_per_s"] - baseline["ticks_per_s"]) / baseline["ticks_per_s"]
    allocations_count, allocations_clean = allocations
    targets = [
        ("tick cadence within 1 % of the baseline's", f"{cadence:+.2f} %", abs(cadence) <= 1.0),
        ("the game's own code at most 1 % of its CPU time", f"{share:.3f} %", share <= 1.0),
        ("worst-case tick under 1 us", f"{tick_ns / 1000:.3f} us", tick_ns < 1000),
        ("one frame's own work under 5 us", f"{frame_ns / 1000:.3f} us", frame_ns < 5000),
        ("no allocation in 10,000 ticks, frames and commands", f"{allocations_count}", allocations_clean),
    ]
    lines += ["", "| target | measured | holds |", "|---|---:|---|"]
    lines += [f"| {name} | {value} | {'yes' if holds else '**NO**'} |" for name, value, holds in targets]
    return "\n".join(lines), all(holds for _, _, holds in targets)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/bench", help="the bench preset's build directory")
    parser.add_argument("--seconds", type=float, default=10.0, help="measured seconds per program and round")
    parser.add_argument("--rounds", type=int, default=2, help="rounds, each running both programs")
    parser.add_argument("--settle", type=float, default=1.0, help="seconds between the first B and measuring")
    parser.add_argument("--launches", type=int, default=4, help="extra launches timed to the first frame")
    parser.add_argument("--repetitions", type=int, default=5, help="repetitions of each micro-benchmark")
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    programs = {
        "baseline": (os.path.join(build, "bench", "torvale_baseline"), BASELINE_TITLE),
        "torvale": (os.path.join(build, "torvale"), GAME_TITLE),
    }
    preload = os.path.join(build, "bench", "libtorvale_timestamps.so")

    loads = [os.getloadavg()[0]]
    runs = {"baseline": [], "torvale": []}
    for round_number in range(args.rounds):
        order = ["baseline", "torvale"] if round_number % 2 == 0 else ["torvale", "baseline"]
        for kind in order:
            binary, title = programs[kind]
            print(f"round {round_number + 1}/{args.rounds}: {kind}", file=sys.stderr, flush=True)
            runs[kind].append(run_program(kind, binary, title, preload, args.seconds, args.settle))
    startups = {"baseline": [], "torvale": []}
    for launch_number in range(args.launches):
        for kind in (["baseline", "torvale"] if launch_number % 2 == 0 else ["torvale", "baseline"]):
            startups[kind].append(time_to_first_frame(kind, programs[kind][0], preload))
    print("micro-benchmarks and allocation check", file=sys.stderr, flush=True)
    micro = micro_benchmarks(os.path.join(build, "bench", "micro_bench"), args.repetitions)
    allocations = allocation_check(os.path.join(build, "bench", "allocation", "allocation_test"))
    loads.append(os.getloadavg()[0])

    table, all_hold = report(args, summarise(runs["torvale"], startups["torvale"]),
                             summarise(runs["baseline"], startups["baseline"]), micro, allocations, loads)
    print(table)
    return 0 if all_hold else 1


if __name__ == "__main__":
    sys.exit(main())
