#!/usr/bin/env bash
# Prints this machine's apt entry for a Debian suite as one line, "deb [signed-by=FILE] URI SUITE COMPONENT...",
# from its deb822 .sources files or its one-line lists, so that another suite is fetched from the same archive
# (a local mirror, a snapshot, a proxy's address) as this machine's own packages.
# Usage: scripts/debian-archive.sh SUITE      exits 1 when no enabled deb entry names SUITE
set -euo pipefail
suite=${1:?usage: debian-archive.sh SUITE}

shopt -s nullglob
for file in /etc/apt/sources.list.d/*.sources; do
    awk -v suite="$suite" '
        function flush() {
            if ((" " types " ") ~ / deb / && (" " suites " ") ~ (" " suite " ") && enabled != "no" && uris != "") {
                split(uris, uri, " ")
                print "deb " (signed ~ /^\// ? "[signed-by=" signed "] " : "") uri[1] " " suite " " components
                found = 1
                exit
            }
            types = suites = uris = components = signed = enabled = ""
        }
        # A field is "Name: value"; a line that starts with a blank continues one (an inline key), a # comments.
        /^#/ || /^[ \t]+[^ \t]/ { next }
        /^[ \t]*$/ { flush(); next }
        {
            name = tolower($1); value = $0
            sub(/^[^:]*:[ \t]*/, "", value); sub(/[ \t]+$/, "", value)
        }
        name == "types:" { types = value }
        name == "uris:" { uris = value }
        name == "suites:" { suites = value }
        name == "components:" { components = value }
        name == "signed-by:" { signed = value }
        name == "enabled:" { enabled = tolower(value) }
        END { if (!found) flush() }' "$file" | grep . && exit 0
done
for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -e "$file" ] || continue
    # deb [options] URI SUITE COMPONENT...
    awk -v suite="$suite" '$1 == "deb" {
            i = 2
            if ($i ~ /^\[/) { while ($i !~ /\]$/) ++i; ++i }
            if ($(i + 1) == suite) { print; exit }
        }' "$file" | grep . && exit 0
done
exit 1
