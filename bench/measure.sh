#!/usr/bin/env bash
# Measures torvale beside a baseline GLUT program under Xvfb and prints the Markdown tables of
# docs/performance.md; exits 1 when a target is missed. About a minute with the defaults.
# Usage: bench/measure.sh [--seconds S] [--rounds R] [--repetitions N]   (see bench/measure.py --help)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null
exec python3 bench/measure.py --build build/bench "$@"
