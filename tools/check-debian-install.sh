#!/usr/bin/env bash
# Installs the Debian package into a fresh, minimal Debian root, as apt does
# on a new machine (dependencies only, no recommended packages), and runs the
# installed program's commands there: --version, --help and --export-gpx on a
# real recording. Prints how long each step took and what the install brought.
#
#   tools/check-debian-install.sh [PACKAGE.deb]
#
# Without an argument the package is made from build/ (cpack). Needs root
# (debootstrap, chroot) and the Debian archive; installs debootstrap when it is
# missing. VIALUMO_DEBIAN_ROOT=<dir> makes the root there and keeps it;
# otherwise a temporary one is removed at the end. Takes a few minutes, most
# of them downloading.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
recording="$repo/tests/data/mp4-gps-box/NO20191130-120156-000121.MP4"

if [ "$(id -u)" -ne 0 ]; then
  echo "check-debian-install: needs root (debootstrap and chroot)" >&2
  exit 1
fi

# Each step's name, and the time the one before it took.
step_start=
step() {
  [ -n "$step_start" ] && echo "   ($((SECONDS - step_start)) s)"
  echo "== $*"
  step_start=$SECONDS
}

if [ $# -ge 1 ]; then
  deb=$(readlink -f "$1")
else
  step "making the package from build/"
  mkdir -p "$repo/build/package"
  (cd "$repo/build" && cpack -G DEB -B "$repo/build/package" >/dev/null)
  deb=$(ls -t "$repo"/build/package/vialumo_*.deb | head -n 1)
fi
[ -f "$deb" ] || { echo "check-debian-install: no package $deb" >&2; exit 1; }
echo "package: $deb ($(stat -c %s "$deb") bytes)"

if ! command -v debootstrap >/dev/null; then
  step "installing debootstrap"
  apt-get install -y -qq -o DPkg::Lock::Timeout=300 --no-install-recommends debootstrap >/dev/null
fi

# The same release and archive as this machine's.
. /etc/os-release
suite=$VERSION_CODENAME
mirror=$(sed -n 's/^URIs: *\([^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
mirror=${mirror:-http://deb.debian.org/debian}

if [ -n "${VIALUMO_DEBIAN_ROOT:-}" ]; then
  root=$(readlink -m "$VIALUMO_DEBIAN_ROOT")
  keep=true
else
  root=$(mktemp -d "${TMPDIR:-/tmp}/vialumo-debian.XXXXXX")
  # Readable by all, as a root folder is: apt downloads as its own user.
  chmod 755 "$root"
  keep=false
fi
cleanup() {
  mountpoint -q "$root/proc" && umount "$root/proc"
  if ! $keep; then
    rm -rf "$root"
  fi
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
  step "debootstrap $suite (minbase) from $mirror into $root"
  debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 \
    || { tail -n 20 "$root.debootstrap.log"; exit 1; }
  rm -f "$root.debootstrap.log"
fi
mountpoint -q "$root/proc" || mount -t proc proc "$root/proc"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C.UTF-8 "$@"; }

packages_before=$(in_root dpkg-query -W -f='${Status}\n' | grep -c 'install ok installed')
size_before=$(du -sm --exclude=proc "$root" | cut -f1)

step "apt-get install ./$(basename "$deb") inside the root"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  "/tmp/$(basename "$deb")" >"$root/tmp/apt-install.log" 2>&1 \
  || { tail -n 30 "$root/tmp/apt-install.log"; exit 1; }
packages_after=$(in_root dpkg-query -W -f='${Status}\n' | grep -c 'install ok installed')
in_root apt-get clean
size_after=$(du -sm --exclude=proc "$root" | cut -f1)

step "the installed program"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
version=$(dpkg-deb -f "$deb" Version)
out=$(in_root /usr/bin/vialumo --version 2>&1) || fail "--version exits $?"
echo "--version: $out"
[ "$out" = "vialumo $version" ] || fail "--version prints '$out'"
out=$(in_root /usr/bin/vialumo --help 2>&1) || fail "--help exits $?"
echo "$out"
grep -q -- '--export-gpx' <<<"$out" || fail "--help does not list --export-gpx"
cp "$recording" "$root/tmp/"
in_root sh -c "cd /tmp && /usr/bin/vialumo --export-gpx $(basename "$recording")" >"$root/tmp/export.gpx" \
  || fail "--export-gpx exits $?"
points=$(grep -c '<trkpt ' "$root/tmp/export.gpx" || true)
echo "--export-gpx $(basename "$recording"): $points track points"
[ "$points" -gt 0 ] || fail "--export-gpx wrote no track point"
if [ -x "$repo/build/deploy/vialumo" ]; then
  "$repo/build/deploy/vialumo" --export-gpx "$recording" 2>/dev/null | cmp -s - "$root/tmp/export.gpx" \
    || fail "the installed program's GPX differs from the build's"
fi
in_root man -w vialumo >/dev/null 2>&1 || echo "note: man-db is not in a minimal root; the page is at /usr/share/man/man1/vialumo.1.gz"
step "done"

echo "packages: $packages_before in the minimal root, $packages_after after the install ($((packages_after - packages_before)) brought in)"
echo "root size: $size_before MiB before, $size_after MiB after (package caches emptied)"
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "clean Debian root: the package installs and its program runs"
