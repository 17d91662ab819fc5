#!/usr/bin/env bash
# Sets everything up, builds Torvale and runs every test: plain, under the sanitizers, then the Windows edition.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test browser package windows
for preset in default sanitize bench; do  # bench: built so it cannot rot; bench/measure.sh runs it
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
cmake --workflow --preset web >/dev/null  # the site that the browser tests (label web) load
cmake --workflow --preset package  # the Debian package as the README builds it, checked, in build/package
ctest --preset default -LE "^package$"  # the package was checked by its workflow just above
ctest --preset sanitize        # every unit test under AddressSanitizer and UndefinedBehaviorSanitizer
ctest --preset sanitize-smoke  # and a short game of the sanitized binary under Xvfb
# The Windows edition: cross-built, unit-tested under wine and packed, then played under wine on Xvfb
cmake --workflow --preset windows
ctest --preset windows-e2e
