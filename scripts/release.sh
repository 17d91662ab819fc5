#!/usr/bin/env bash
# Makes a release of the commit checked out: every edition built and tested by its own workflow in a fresh
# clone, then into dist/ the Debian packages (amd64, arm64, armhf), the Windows zip, the site as one archive, a
# source tarball and SHA256SUMS. Stops on uncommitted changes and at the first failing build or test.
# Usage: scripts/release.sh [SHA256SUMS]   with another build's list to compare this one with
set -euo pipefail
against=""
if [ $# -gt 0 ]; then
    against=$(realpath "$1")  # before leaving the folder it may be relative to
fi
cd "$(dirname "$0")/.."
top=$(pwd)
fail() {
    echo "release: $*" >&2
    exit 1
}

[ -z "$(git status --porcelain)" ] ||
    fail "the tree has changes that are not committed (see git status): commit or stash them first"
commit=$(git rev-parse HEAD)

# A clone holds the commit and nothing else: no build folder, cache or ignored file of this tree.
work=$top/build/release
rm -rf "$work"
git clone --quiet --no-checkout "$top" "$work/torvale"
cd "$work/torvale"
git checkout --quiet --detach "$commit"
scripts/setup.sh test package windows arm64 armhf web
for preset in package arm64 armhf windows web web-tests; do
    echo "release: $preset"
    cmake --workflow --preset "$preset" >"$work/$preset.log" 2>&1 || {
        tail -n 30 "$work/$preset.log" >&2
        fail "the $preset workflow failed, in its build or a test: its output is in build/release/$preset.log"
    }
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
epoch=$(git log -1 --format=%ct)
rm -rf "$top/dist"
mkdir "$top/dist"
cp "build/package/torvale_${version}_amd64.deb" "build/arm64/torvale_${version}_arm64.deb" \
   "build/armhf/torvale_${version}_armhf.deb" "build/windows/torvale-$version-win64.zip" "$top/dist/"
# The site in one folder, as reproducible as its files: sorted, dated by the commit, owned by root, with
# modes that no umask decided.
LC_ALL=C tar --create --directory=build/web --transform="s|^site|torvale-$version-web|" --sort=name \
    --format=gnu --mtime="@$epoch" --owner=0 --group=0 --numeric-owner --mode=u=rwX,go=rX site |
    gzip -9n >"$top/dist/torvale-$version-web.tar.gz"
# The sources with the date that a build without git takes (cmake/Reproducible.cmake).
echo "$epoch" >"$work/SOURCE_DATE_EPOCH"
git archive --format=tar --prefix="torvale-$version/" --add-file="$work/SOURCE_DATE_EPOCH" "$commit" |
    gzip -9n >"$top/dist/torvale-$version.tar.gz"

cd "$top/dist"
sha256sum "torvale_${version}_amd64.deb" "torvale_${version}_arm64.deb" "torvale_${version}_armhf.deb" \
          "torvale-$version-win64.zip" "torvale-$version-web.tar.gz" "torvale-$version.tar.gz" >SHA256SUMS
cat SHA256SUMS
if [ -n "$against" ]; then
    diff -u "$against" SHA256SUMS >&2 ||
        fail "dist/ differs from $1: diffoscope shows where and why in each file that differs (docs/releasing.md)"
fi
echo "release: torvale $version in dist/, made in $((SECONDS / 60)) min $((SECONDS % 60)) s"
