#!/usr/bin/env bash
# Installs the Debian packages (Debian 12 or 13) that building, playing and testing Torvale need, if any are missing.
# Usage: scripts/setup.sh [SET...]   with SET one of: build (the default), test, web, browser, package, windows,
#                                    arm64, armhf, docs, root, release
# Exits 75 when the archive served a package index that apt could not read for an architecture added just now
# (dpkg is left as it was, nothing is installed); with any other failure, apt's status.
set -euo pipefail

# The Debian architectures whose editions are cross-built here, each with its multiarch triplet.
declare -A cross_triplets=([arm64]=aarch64-linux-gnu [armhf]=arm-linux-gnueabihf)

packages_for() {
    case "$1" in
        build) echo g++ cmake ninja-build libglut-dev libglu1-mesa-dev libgl-dev libgl1-mesa-dri libgtest-dev ;;
        # the X server (and xauth, which xvfb-run needs and Debian 13's xvfb only recommends), the tools the tests
        # drive, and what the package and benchmark tests use
        test) echo xvfb xauth xfonts-base libx11-dev xdotool x11-apps x11-utils imagemagick python3 dpkg-dev file \
                   man-db desktop-file-utils libbenchmark-dev ;;
        # the web edition's compiler (it brings node and python3), rsvg-convert for its icons, and npm for the
        # Workbox that writes its service worker
        web) echo emscripten librsvg2-bin "$(command -v npm >/dev/null || echo npm)" ;;
        # the browser tests and benchmark: the web edition in each engine, Debian's chromium and firefox-esr
        # (driven by puppeteer-core from npm) and WebKitGTK's MiniBrowser (through WebKitWebDriver)
        browser) echo "$(packages_for web)" chromium firefox-esr webkit2gtk-driver fonts-dejavu-core ;;
        # the Debian package's checkers: lintian, appstreamcli and hardening-check (in devscripts)
        package) echo lintian appstream devscripts ;;
        # the mingw cross-compilers, wine to run the .exe and its tests (with the GL and X libraries that its
        # X11 driver loads at run time, only recommended by libwine), GoogleTest's sources to cross-build,
        # dpkg-dev to unpack freeglut's source, and a small window manager for wine's menu
        windows) echo gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
                      mingw-w64-x86-64-dev wine wine64 libgl1 libxrender1 libxrandr2 libxi6 libxcursor1 \
                      libxcomposite1 libxfixes3 libxinerama1 googletest dpkg-dev openbox ;;
        # a cross edition, named by its Debian architecture: Debian's cross compiler for its triplet, qemu-user to run
        # what it builds, and that architecture's builds of the libraries the game and its tests link, with Mesa's
        # drivers to draw under qemu (multiarch)
        arm64 | armhf) echo "g++-${cross_triplets[$1]}" qemu-user "libglut-dev:$1" "libglu1-mesa-dev:$1" \
                            "libgl-dev:$1" "libgl1-mesa-dri:$1" "libgtest-dev:$1" dpkg-dev ;;
        # Graphviz, which draws docs/design.svg from its source beside it
        docs) echo graphviz ;;
        # mmdebstrap, which makes the other Debian release's root that the test command runs the tests in again
        root) echo mmdebstrap ;;
        # what a release needs besides the editions' sets: diffoscope, to show where two builds differ
        release) echo diffoscope-minimal ;;
        *) echo "setup: unknown set '$1'" >&2; return 1 ;;
    esac
}

sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(build)
wanted=()
for set in build "${sets[@]}"; do
    list=$(packages_for "$set")
    read -r -a found <<<"$list"
    wanted+=("${found[@]}")
done

# The downloads do not depend on each other, so they run at once; set-up fails if any of them fails.
downloads=()

# Workbox for the site's build (web/), and puppeteer-core for the browser tests (tests/web/), as their
# package-lock.json files pin them; no browser is downloaded. Where npm is there already, they need nothing
# from apt and run beside its installs.
npm_ci() {
    if [ ! "$1/node_modules/.package-lock.json" -nt "$1/package-lock.json" ]; then
        npm ci --prefix "$1" --no-audit --no-fund
    fi
}
npm_downloads() {
    local top
    top="$(dirname "$0")/.."
    if [[ " ${sets[*]} " == *" browser "* || " ${sets[*]} " == *" web "* ]]; then
        npm_ci "$top/web" &
        downloads+=($!)
    fi
    if [[ " ${sets[*]} " == *" browser "* ]]; then
        npm_ci "$top/tests/web" &
        downloads+=($!)
    fi
}
npm_started=false
if command -v npm >/dev/null; then
    npm_downloads
    npm_started=true
fi

missing_packages() {
    missing=()
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
}

# One apt at a time. apt's own locks make a second apt fail rather than wait (apt-get update's always), so
# this machine's set-ups of Torvale take turns on a lock of their own, and an apt of another program (an
# unattended upgrade, say) is waited for by trying again; each wait is bounded.
apt_wait=${TORVALE_APT_WAIT_SECONDS:-1200}
take_turn() {
    local lock=/tmp/torvale-apt.lock
    { exec 9>>"$lock"; } 2>/dev/null || exec 9<"$lock"  # another user's lock file is read-only, and locks all the same
    chmod a+rw "$lock" 2>/dev/null || true
    flock -n 9 && return
    echo "setup: another of Torvale's set-ups is using apt; waiting for it (at most $apt_wait s)"
    flock -w "$apt_wait" 9 || { echo "setup: apt was still taken after $apt_wait s; try again when it is free" >&2; exit 1; }
}
apt_errors=$(mktemp)
trap 'rm -f "$apt_errors"' EXIT
apt_get() {
    local status said=false deadline=$((SECONDS + apt_wait))
    while :; do
        status=0
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive LC_ALL=C apt-get -o DPkg::Lock::Timeout="$apt_wait" "$@" \
            2>"$apt_errors" || status=$?
        if [ "$status" -eq 0 ] || ! grep -q 'Could not get lock' "$apt_errors" || [ "$SECONDS" -ge "$deadline" ]; then
            cat "$apt_errors" >&2
            return "$status"
        fi
        $said || echo "setup: another program is using apt ($(grep -o 'held by process .*' "$apt_errors" | head -n 1));" \
            "waiting for it (at most $apt_wait s)"
        said=true
        sleep 5
    done
}

missing_packages
if [ ${#missing[@]} -gt 0 ]; then
    as_root=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "setup: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
        as_root=(sudo)
    fi
    take_turn
    missing_packages  # what the set-up before this one installed is not installed again
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    # Packages of another architecture (name:arm64) come from that architecture's indexes, which apt reads
    # only once dpkg knows the architecture.
    added=()
    for package in "${missing[@]}"; do
        foreign=${package#*:}
        if [ "$foreign" != "$package" ] && ! dpkg --print-foreign-architectures | grep -qx "$foreign"; then
            "${as_root[@]}" dpkg --add-architecture "$foreign"
            added+=("$foreign")
        fi
    done
    status=0
    apt_get update || status=$?
    if [ "$status" -ne 0 ]; then
        # An index that apt cannot read (a mirror in mid-sync serves one its Release file does not describe)
        # leaves that architecture's packages out, and apt then cannot install them beside this machine's newer
        # ones: say which, and leave dpkg's architectures as they were, or every later update would fail on it too.
        failed=$(sed -n 's|.*/binary-\([a-z0-9]*\)/.*|\1|p' "$apt_errors" | sort -u | paste -sd ' ')
        reason=$(sed -n 's|^E: Failed to fetch [^ ]*  *||p' "$apt_errors" | head -n 1)
        index=${failed:+the package index of $failed}
        echo "setup: apt-get update failed (exit $status): ${index:-a package index} could not be read" \
             "(${reason:-see the errors above}), so nothing was installed; try again once the archive serves it" >&2
        for architecture in "${added[@]}"; do
            "${as_root[@]}" dpkg --remove-architecture "$architecture" &&
                echo "setup: dpkg no longer lists $architecture, as before" >&2
        done
        # Only the indexes of architectures added just now: the archive's fault, which leaves this machine as it
        # was and which a caller may tell from any other failure (EX_TEMPFAIL).
        archive_fault=true
        for architecture in $failed; do
            [[ " ${added[*]} " == *" $architecture "* ]] || archive_fault=false
        done
        [ -n "$failed" ] && $archive_fault && exit 75
        exit "$status"
    fi
    apt_get install -y --no-install-recommends "${missing[@]}"
fi
exec 9>&-  # apt is free for the next set-up

$npm_started || npm_downloads

# The Windows edition links freeglut statically, and Debian ships no mingw build of it: fetch Debian's own
# source into build/cache (ignored by git) through a private apt configuration that leaves /etc/apt alone.
if [[ " ${sets[*]} " == *" windows "* ]]; then
    "$(dirname "$0")/windows/fetch-freeglut.sh" &
    downloads+=($!)
fi

for download in "${downloads[@]}"; do
    wait "$download"
done
