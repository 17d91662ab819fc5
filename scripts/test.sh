#!/usr/bin/env bash
# Sets everything up, builds Torvale and runs every test: plain, under the sanitizers, and each other edition's;
# then all of it again in a root of the other supported Debian release (scripts/other-release.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

# Only the supported releases, said before anything is installed or built; TORVALE_OTHER_RELEASE=none runs the
# tests on this machine's release alone, whatever it is.
system=$(. /etc/os-release 2>/dev/null && echo "${ID:-}-${VERSION_CODENAME:-}") || true
case "$system:${TORVALE_OTHER_RELEASE:-}" in
    debian-bookworm:* | debian-trixie:* | *:none) ;;
    *) echo "test: this machine runs $(. /etc/os-release 2>/dev/null && echo "${PRETTY_NAME:-}" || echo "an unknown system");" \
            "Torvale is tested on Debian 12 (bookworm) and Debian 13 (trixie) only. Run it on one of those, or set" \
            "TORVALE_OTHER_RELEASE=none to run the tests here without the other release's root, at your own risk" >&2
       exit 1 ;;
esac
mkdir -p build

# Runs a command in the background with its output in build/NAME.log; finish NAME waits for it, then shows
# that output and stops the script if the command failed.
declare -A background
start() {
    local name=$1
    shift
    "$@" > "build/$name.log" 2>&1 &
    background[$name]=$!
}
finish() {
    local status=0
    wait "${background[$1]}" || status=$?
    cat "build/$1.log"
    [ "$status" -eq 0 ] || { echo "test: $1 failed (exit $status)" >&2; exit "$status"; }
}
# Runs a command whose output is long and seldom read with that output in build/NAME.log, shown if it fails.
quietly() {
    local name=$1 status=0
    shift
    "$@" > "build/$name.log" 2>&1 || status=$?
    [ "$status" -eq 0 ] || { cat "build/$name.log"; echo "test: $name failed (exit $status)" >&2; exit "$status"; }
}
# A failure stops whatever still runs in the background too.
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

# The other release's root is made and given its packages while this release builds and tests; it runs the
# same command there, without a root of its own, once everything here has passed.
# Everything the first minutes need, mmdebstrap for that root included, is installed before anything starts in
# the background; the set-ups after this one take their turns with apt.
other_release=false
case "${TORVALE_OTHER_RELEASE:-}" in inside | none) ;; *) other_release=true ;; esac
if $other_release; then
    scripts/setup.sh test package windows root
    # At the lowest priority: wine's end-to-end tests miss their windows on a machine busy unpacking.
    start other-release-setup nice -n 19 ionice -c 3 scripts/other-release.sh scripts/setup.sh test package windows \
        browser arm64
else
    scripts/setup.sh test package windows
fi
# The Windows edition cross-builds beside everything else that builds, and what only the site, the browser
# tests and the ARM editions need installs beside the native builds.
start windows-build bash -c 'cmake --preset windows && cmake --build --preset windows'
# armhf's packages come alone, after the others: an archive that serves an index apt cannot read (set-up's exit
# 75, which leaves the machine as it was) leaves only that edition out here, said when known and at the end;
# any other failure stops the command.
rm -f build/armhf-unavailable
setup_browser_and_arm() {
    scripts/setup.sh browser arm64
    local status=0
    scripts/setup.sh armhf || status=$?
    [ "$status" -ne 75 ] || { touch build/armhf-unavailable; status=0; }
    return "$status"
}
start setup-browser setup_browser_and_arm
for preset in default sanitize bench; do  # bench: built so it cannot rot; bench/measure.sh runs it
    quietly "configure-$preset" cmake --preset "$preset"
    cmake --build --preset "$preset"
done
finish setup-browser
arm_editions=(arm64 armhf)
if [ -e build/armhf-unavailable ]; then
    arm_editions=(arm64)
    echo "test: the armhf edition is NOT built or tested on this machine: the archive served a package index that apt" \
         "could not read (setup's message above)"
fi
# The ARM editions, one after the other, and the rules' tests under the web's compiler build beside the site and
# the package; they are tested once the Windows edition's end-to-end tests are done, which a busy machine makes fail.
start arm-build bash -c 'for arch; do cmake --preset "$arch" && cmake --build --preset "$arch" || exit; done' bash \
    "${arm_editions[@]}"
start web-tests-build bash -c 'cmake --preset web-tests && cmake --build --preset web-tests'
# Again: on a fresh machine node came just now, and with it the browser tests and what they build.
quietly configure-default cmake --preset default
cmake --build --preset default
quietly web cmake --workflow --preset web  # the site that the browser tests (label web) load
cmake --workflow --preset package  # the Debian package as the README builds it, checked, in build/package
finish arm-build
finish web-tests-build

# Chromium and Firefox play the web edition from here, and the Windows edition is played under wine, on an X
# server of its own, once its build is done: each takes a fraction of a core, and none of them shares anything
# with another. Every other test comes after them, alone or two at a time as its properties say; the package
# was checked by its workflow.
start browsers ctest --preset default -L "^(chromium|firefox)$"
finish windows-build
ctest --preset windows-e2e
# Their workflows, built above: the rules' tests in node, and each ARM edition's in turn under qemu-user (its
# first frame against the native game's) and its package.
start web-tests cmake --workflow --preset web-tests
start arm bash -c 'for arch; do cmake --workflow --preset "$arch" || exit; done' bash "${arm_editions[@]}"
finish browsers
finish web-tests
finish arm
ctest --preset default -LE "^(chromium|firefox|package)$"
ctest --preset sanitize        # every unit test under AddressSanitizer and UndefinedBehaviorSanitizer
ctest --preset sanitize-smoke  # and a short game of the sanitized binary under Xvfb
# The Windows edition's workflow, built above, now runs its unit tests under wine and packs it.
cmake --workflow --preset windows

if $other_release; then
    finish other-release-setup
    scripts/other-release.sh scripts/test.sh
fi
[ ! -e build/armhf-unavailable ] ||
    echo "test: every test passed here but the armhf edition's, which this machine could not install (see above)"
