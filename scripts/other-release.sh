#!/usr/bin/env bash
# Runs a command of this tree (by default the test command) in a minimal root of the other supported Debian
# release: Debian 13 on a Debian 12 machine, Debian 12 on a Debian 13 one.
# Usage: scripts/other-release.sh [COMMAND [ARG...]]
#
# The root is made once with mmdebstrap into build/root-CODENAME and kept, with what its apt installed and its
# own build/ folder. Each run copies this tree's committed state and its uncommitted changes to tracked files
# into the root's /src, then runs the command there as root in private mount and process namespaces: when
# the command ends, fails or is interrupted, every process in it stops and every mount it made goes away
# with it. The root trusts what this machine trusts: its apt settings (a proxy, say), CA certificates and npm
# settings are copied in.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -gt 0 ] || set -- scripts/test.sh

if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || {
        echo "other-release: making and entering the other release's root needs root; run as root or install sudo" >&2
        exit 1
    }
    exec sudo --preserve-env=http_proxy,https_proxy,no_proxy,HTTP_PROXY,HTTPS_PROXY,NO_PROXY,CI "$0" "$@"
fi

host=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
case "$host" in
    bookworm) release=trixie ;;
    trixie) release=bookworm ;;
    *) echo "other-release: this machine runs '${host:-an unknown system}'; the releases tested are Debian 12 (bookworm) and 13 (trixie)" >&2
       exit 1 ;;
esac
# The other release comes from the archives this machine's own packages come from (a local mirror, a snapshot),
# the security archive beside the main one; the variables override either.
archive_of() {
    "$top/scripts/debian-archive.sh" "$1" | sed -E 's/^deb (\[[^]]*\] )?([^ ]+) .*/\2/'
}
mirror=${TORVALE_DEBIAN_MIRROR:-$(archive_of "$host")} || true
security=${TORVALE_DEBIAN_SECURITY:-$(archive_of "$host-security")} || true
[ -n "$mirror" ] || {
    echo "other-release: this machine's apt sources name no Debian archive for $host; set TORVALE_DEBIAN_MIRROR" >&2
    exit 1
}
suites=("deb $mirror $release main" "deb $mirror $release-updates main")
if [ -n "$security" ]; then
    suites+=("deb $security $release-security main")
else
    echo "other-release: no security archive for $host in this machine's apt sources; the root goes without one" \
        "(TORVALE_DEBIAN_SECURITY names it)"
fi
root="$top/build/root-$release"

command -v mmdebstrap >/dev/null || "$top/scripts/setup.sh" root

if [ ! -e "$root/.made" ]; then
    rm -rf "$root"
    mkdir -p "$top/build"
    # This machine's own apt settings go in as they are: they may hold the proxy that reaches the archive.
    # Those that came with a package are that package's, which the root has in its own release's version.
    apt_settings=()
    for file in /etc/apt/apt.conf /etc/apt/apt.conf.d/*; do
        [ -f "$file" ] && ! dpkg -S "$file" >/dev/null 2>&1 && apt_settings+=("--aptopt=$file")
    done
    # A root that can be made again needs no dpkg syncing every file it unpacks, and a root that asks no
    # questions no pass over every package for its questions first (a few minutes for the test packages).
    mmdebstrap --variant=minbase --include=ca-certificates,git,sudo --dpkgopt=force-unsafe-io \
        --aptopt='#clear DPkg::Pre-Install-Pkgs;' "${apt_settings[@]}" \
        --customize-hook='mkdir -p "$1/etc/apt/auth.conf.d" "$1/usr/local/share/ca-certificates/host"' \
        "$release" "$root.partial" "${suites[@]}"
    mv "$root.partial" "$root"
    touch "$root/.made"
fi

# What this machine trusts, again on every run, for it may have changed since the root was made.
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
cp -rL /etc/apt/auth.conf.d/. "$root/etc/apt/auth.conf.d/" 2>/dev/null || true
cp -L /etc/ssl/certs/ca-certificates.crt "$root/usr/local/share/ca-certificates/host/bundle.crt"
for file in /etc/npmrc /usr/etc/npmrc /root/.npmrc; do
    [ -f "$file" ] && mkdir -p "$root${file%/*}" && cp -L "$file" "$root$file"
done
# Certificate settings of the environment (node's NODE_EXTRA_CA_CERTS, say) go in with the files they name.
certificate_settings=()
for name in NODE_EXTRA_CA_CERTS SSL_CERT_FILE SSL_CERT_DIR CURL_CA_BUNDLE REQUESTS_CA_BUNDLE GIT_SSL_CAINFO; do
    value=${!name:-}
    [ -n "$value" ] || continue
    certificate_settings+=("$name=$value")
    if [ -f "$value" ] && [ "$value" != /etc/ssl/certs/ca-certificates.crt ]; then
        mkdir -p "$root${value%/*}" && cp -L "$value" "$root$value"
    fi
done

# The tree as it is now, committed or not (untracked files stay out), checked out in the root's /src.
snapshot=$(git -C "$top" stash create)
snapshot=${snapshot:-$(git -C "$top" rev-parse HEAD)}
[ -d "$root/src/.git" ] || git init -q "$root/src"
git -C "$top" push -q --force "$root/src" "$snapshot:refs/heads/snapshot"
git -C "$root/src" -c advice.detachedHead=false checkout -q --force --detach snapshot
git -C "$root/src" clean -ffdq  # files deleted since; ignored ones (build/, node_modules/) are kept

# Inside: a fresh /proc for the new process namespace, the machine's /dev and /sys, its own /dev/shm; the
# command sees a plain environment, so nothing of this machine's toolchains leaks in, and it does not make
# a root of its own in turn.
inside=$(cat <<'EOF'
set -e
root=$1 settings=$2; shift 2
mount -t proc proc "$root/proc"
mount --rbind /sys "$root/sys"
mount --rbind /dev "$root/dev"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
mount -t tmpfs -o mode=1777 tmp "$root/tmp"
exec chroot "$root" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 PATH=/usr/sbin:/usr/bin:/sbin:/bin \
    ${CI:+CI=$CI} ${http_proxy:+http_proxy=$http_proxy} ${https_proxy:+https_proxy=$https_proxy} \
    ${no_proxy:+no_proxy=$no_proxy} $settings TORVALE_OTHER_RELEASE=inside \
    sh -c 'update-ca-certificates >/dev/null 2>&1; cd /src && exec "$@"' sh "$@"
EOF
)
echo "other-release: running '$*' in Debian $release ($root)"
unshare --mount --propagation private --pid --fork --kill-child bash -c "$inside" bash "$root" "${certificate_settings[*]}" \
    "$@" &
inner=$!
# unshare ignores SIGTERM and SIGINT while it waits, leaving them to its child: a stop here kills it instead,
# and with it, through --kill-child, everything in the root.
trap 'kill -KILL "$inner" 2>/dev/null || true' INT TERM EXIT
wait "$inner"
