#!/usr/bin/env bash
# Fetches Debian's freeglut source, at the version in freeglut.version, into build/cache for the Windows build.
# Debian ships no mingw build of freeglut, so its source package is the one trusted source: apt checks the
# files against the release's signed index. apt runs on a private configuration under build/cache (a deb-src
# twin of the machine's Debian entry, its own lists and cache), so nothing in /etc/apt changes and no root
# is needed.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache="$here/../../build/cache"
version=$(grep -v '^#' "$here/freeglut.version")
tree="$cache/freeglut-${version%-*}"  # dpkg-source names the tree by the upstream version alone

if head -n1 "$tree/debian/changelog" 2>/dev/null | grep -qF "freeglut ($version)"; then
    exit 0  # fetched before: nothing to do, no network
fi
rm -rf "$tree"  # a tree of another version, or one left half-unpacked

codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
# The Debian release whose archive has that version, whatever this machine runs: the same source on any host
# makes the same zip. Debian keeps a release's archive online long after the next one comes out.
source_release=bookworm

apt="$cache/apt"
mkdir -p "$apt/sources.list.d" "$apt/state/lists/partial" "$apt/cache/archives/partial"
# A deb-src twin of the machine's own entry for its release, for the source release.
entry=$("$here/../debian-archive.sh" "$codename") ||
    { echo "fetch-freeglut: no Debian deb entry for $codename to derive deb-src from" >&2; exit 1; }
list="$apt/torvale.list"
rm -f "$apt"/torvale.*
printf '%s\n' "$entry" | sed -E "s/^deb /deb-src /; s/ $codename / $source_release /" >"$list"
# The machine's trusted keys and dpkg status stay as they are; lists, cache and sources are this folder's.
private=(-o "Dir::Etc::sourcelist=$list" -o "Dir::Etc::sourceparts=$apt/sources.list.d"
         -o "Dir::State=$apt/state" -o "Dir::Cache=$apt/cache")
# As root apt hands downloads to its _apt user, who may not write into the work tree: say so, not warn.
[ "$(id -u)" -ne 0 ] || private+=(-o APT::Sandbox::User=root)
apt-get "${private[@]}" -q update
cd "$cache"
apt-get "${private[@]}" -q source "freeglut=$version"
head -n1 "$tree/debian/changelog" | grep -qF "freeglut ($version)" ||
    { echo "fetch-freeglut: $tree is not freeglut $version" >&2; exit 1; }
