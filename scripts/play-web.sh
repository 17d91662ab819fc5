#!/usr/bin/env bash
# Sets up and builds the web edition, then serves it on 127.0.0.1 for a browser on this machine.
# Usage: scripts/play-web.sh [PORT]   (default 8019; 0 picks a free one)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh web
cmake --workflow --preset web >/dev/null
exec node web/tools/serve.js build/web/site "${1:-8019}"
