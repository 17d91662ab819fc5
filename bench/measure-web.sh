#!/usr/bin/env bash
# Measures the web edition in Chromium, Firefox and WebKit beside the native game under Xvfb and prints the
# Markdown tables of docs/performance.md's browser section; exits 1 when a target is missed. About six minutes.
# Environment: TORVALE_BENCH_SECONDS (10), TORVALE_BENCH_ROUNDS (2), TORVALE_BENCH_LAUNCHES (5).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test browser
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
cmake --workflow --preset web >/dev/null
exec node bench/web_measure.js
