#!/usr/bin/env bash
# Sets everything up, builds Torvale and starts a game in a window on the current display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
cmake --preset default >/dev/null
cmake --build --preset default --target torvale
exec build/default/torvale "$@"
