#!/usr/bin/env bash
# Fetches Debian's freeglut source into build/cache, where the Windows build cross-compiles it.
# Debian ships no mingw build of freeglut, so its source package is the one trusted source. When the
# machine has no deb-src entry, one is derived from its existing Debian deb entry (same mirror, same key).
set -euo pipefail
cache="$(cd "$(dirname "$0")/../.." && pwd)/build/cache"
if compgen -G "$cache/freeglut-*/CMakeLists.txt" >/dev/null; then
    exit 0
fi

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
added=/etc/apt/sources.list.d/torvale-deb-src

# Prints a deb-src twin of the first enabled deb entry for the release itself (not -updates or -security).
derive_deb_src() {
    local file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -e "$file" ] || continue
        awk -v release="$codename" '
            function flush() {
                if (types ~ /(^| )deb( |$)/ && (" " suites " ") ~ (" " release " ") && !disabled && !done) {
                    print "Types: deb-src"; print "Suites: " release; printf "%s", rest; done = 1
                }
                types = suites = rest = ""; disabled = 0
            }
            /^[ \t]*$/ { flush(); next }
            /^#/ { next }
            /^Types:/ { types = $0; sub(/^Types:[ \t]*/, "", types); next }
            /^Suites:/ { suites = $0; sub(/^Suites:[ \t]*/, "", suites); next }
            /^Enabled:[ \t]*no/ { disabled = 1 }
            { rest = rest $0 "\n" }
            END { flush() }' "$file" | grep . && return 0
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -e "$file" ] || continue
        awk -v release="$codename" '$1 == "deb" {
                for (i = 2; i <= NF; ++i) if ($i == release) { $1 = "deb-src"; print; exit }
            }' "$file" | grep . && return 0
    done
    return 1
}

if ! grep -rqsE '^(deb-src |Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    entry=$(derive_deb_src) || { echo "fetch-freeglut: no Debian deb entry for $codename to derive deb-src from" >&2; exit 1; }
    suffix=list
    [[ "$entry" != Types:* ]] || suffix=sources  # the deb822 form of the entry it was derived from
    printf '%s\n' "$entry" | "${as_root[@]}" tee "$added.$suffix" >/dev/null
    echo "fetch-freeglut: added a deb-src entry for $codename"
    "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=600 update
fi

mkdir -p "$cache"
cd "$cache"
apt-get source freeglut
