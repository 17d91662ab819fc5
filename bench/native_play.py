#!/usr/bin/env python3
"""One measured stretch of play of the native game, as bench/measure.py plays it, printed as JSON.

For bench/web_measure.js, which sets the browser edition beside it in the same run.
Usage: native_play.py BUILD_DIR SECONDS LAUNCHES   (BUILD_DIR: the bench preset's, e.g. build/bench)
"""
import json
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from measure import GAME_TITLE, run_program, time_to_first_frame  # noqa: E402

build, seconds, launches = os.path.abspath(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
binary = os.path.join(build, "torvale")
preload = os.path.join(build, "bench", "libtorvale_timestamps.so")
run = run_program("torvale", binary, GAME_TITLE, preload, seconds, 1.0)
startups = [time_to_first_frame("torvale", binary, preload) for _ in range(launches)]
print(json.dumps({"periods_ms": run["periods_ms"], "frames": run["frames"], "duration": run["duration"],
                  "cpu": run["cpu"], "server_cpu": run["server_cpu"], "startups_ms": startups}))
