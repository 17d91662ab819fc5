#!/usr/bin/env bash
# Sets everything up, builds Torvale and runs every test: plain, under the sanitizers, then the Windows edition.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test package
# What only the site, the browser tests and the Windows edition need installs meanwhile, while the native
# builds take the cores; its output is shown once it is done.
mkdir -p build
scripts/setup.sh browser windows > build/setup-browser-windows.log 2>&1 &
setting_up=$!
for preset in default sanitize bench; do  # bench: built so it cannot rot; bench/measure.sh runs it
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
status=0
wait "$setting_up" || status=$?
cat build/setup-browser-windows.log
[ "$status" -eq 0 ] || { echo "test: scripts/setup.sh browser windows failed (exit $status)" >&2; exit "$status"; }
cmake --preset default >/dev/null  # again: on a fresh machine node, which the browser tests run on, came just now
cmake --workflow --preset web >/dev/null  # the site that the browser tests (label web) load
cmake --workflow --preset package  # the Debian package as the README builds it, checked, in build/package
ctest --preset default -LE "^package$"  # the package was checked by its workflow just above
ctest --preset sanitize        # every unit test under AddressSanitizer and UndefinedBehaviorSanitizer
ctest --preset sanitize-smoke  # and a short game of the sanitized binary under Xvfb
# The Windows edition: cross-built, unit-tested under wine and packed, then played under wine on Xvfb
cmake --workflow --preset windows
ctest --preset windows-e2e
