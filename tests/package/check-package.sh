#!/usr/bin/env bash
# Makes the Debian package from a build and checks what a user gets from it:
# its fields and dependencies (the libraries the program links and the
# plug-ins and helper process it loads by name, no -dev package), its files
# (exactly what `cmake --install` lays out under /usr), that apt resolves its
# dependencies, and the program unpacked from it running its commands without
# a display; its menu entry, metainfo and man page pass their validators.
#
#   check-package.sh <cpack> <cmake> <build-dir> <source-dir> <gps-file>
#
# Exits 77 (skipped) when dpkg-dev, desktop-file-utils or appstream is missing.
set -uo pipefail

cpack=$1
cmake=$2
build=$3
source=$4
gps_file=$5

# Packages the program needs at run time without linking them.
loaded_by_name=(vlc-plugin-base vlc-plugin-video-output libqt6webenginecore6-bin)
# The files a user must find, under /usr.
required_files=(
  bin/vialumo lib/vialumo/vialumo lib/vialumo/images/startupp.html lib/vialumo/images/googlearth.html
  share/applications/vialumo.desktop share/metainfo/io.github.vialumo.Vialumo.metainfo.xml
  share/man/man1/vialumo.1.gz
  share/icons/hicolor/48x48/apps/vialumo.png share/icons/hicolor/256x256/apps/vialumo.png)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
die() { echo "FAIL: $*" >&2; exit 1; }

for tool in dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli man lexgrog; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIP: $tool not found (tools/install-deps.sh installs it)"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vialumo-package.XXXXXX") || die "no temporary folder"
trap 'rm -rf "$work"' EXIT

# --- 1. the package ----------------------------------------------------------
# The suite runs on a finished build. With Makefiles cpack first passes over
# every target of the tree (their "preinstall"), which finds nothing to do
# here and takes most of a minute on a busy machine; named as the build tool,
# Ninja has no such pass. Everything else is cpack as a user runs it.
if ! (cd "$build" && "$cpack" -G DEB -B "$work/out" -D CPACK_CMAKE_GENERATOR=Ninja) >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  die "cpack -G DEB failed"
fi
debs=("$work"/out/*.deb)
[ "${#debs[@]}" -eq 1 ] && [ -f "${debs[0]}" ] || die "cpack made ${#debs[@]} packages: ${debs[*]}"
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
version=$(field Version)
arch=$(field Architecture)
[ "$(field Package)" = vialumo ] || fail "Package is '$(field Package)'"
[ "$arch" = "$(dpkg --print-architecture)" ] || fail "Architecture is '$arch'"
[ "$(basename "$deb")" = "vialumo_${version}_${arch}.deb" ] || fail "the package is named $(basename "$deb")"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"

# Depends, one package name a line (alternatives and versions dropped).
depends=$(field Depends | tr ',|' '\n\n' | sed 's/(.*)//; s/:.*//; s/^ *//; s/ *$//' | sed '/^$/d' | sort -u)
echo "Depends: $(field Depends)"
for p in "${loaded_by_name[@]}"; do
  grep -qx "$p" <<<"$depends" || fail "Depends lacks $p"
done
if grep -E -- '-dev$' <<<"$depends"; then
  fail "Depends pulls in development packages"
fi

# --- 2. the files: what `cmake --install` lays out under /usr ----------------
dpkg-deb -c "$deb" | awk '{ print $1, $6 }' >"$work/contents"
# Directories are implied by the files; names relative to /usr.
grep -v '^d' "$work/contents" | awk '{ print $2 }' | sed 's|^\./usr/||' | sort >"$work/packaged"
if grep -v '^\./usr/' < <(awk '{ print $2 }' "$work/contents") | grep -vx '\./'; then
  fail "the package installs files outside /usr"
fi
if ! DESTDIR="$work/stage" "$cmake" --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  die "cmake --install failed"
fi
(cd "$work/stage/usr" && find . ! -type d | sed 's|^\./||' | sort) >"$work/installed"
if ! diff "$work/installed" "$work/packaged" >"$work/files.diff"; then
  cat "$work/files.diff"
  fail "the package's files differ from what cmake --install lays out (< install, > package)"
fi
for f in "${required_files[@]}"; do
  grep -qx "$f" "$work/packaged" || fail "the package lacks /usr/$f"
done
for f in bin/vialumo lib/vialumo/vialumo; do
  grep -q "^-rwxr-xr-x \./usr/$f\$" "$work/contents" || fail "/usr/$f is not an executable for all"
done

# --- 3. unpacked: every library the program links comes from a dependency ----
root="$work/root"
dpkg-deb -x "$deb" "$root" || die "dpkg-deb -x failed"
program="$root/usr/lib/vialumo/vialumo"
# "libfoo.so.1 => /path (0x...)", or "/lib64/ld-linux-x86-64.so.2 (0x...)".
libraries=$(ldd "$program")
needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[ -n "$needed" ] || fail "readelf finds no library the program links"
# dpkg knows a file by the path its package ships, which may lie on either
# side of the /lib -> /usr/lib link, or behind a symlink: each library is
# looked up under all of them, in one call (dpkg -S reads its whole database).
declare -A library_path
candidates=()
for library in $needed; do
  path=$(awk -v l="$library" '$1 == l { print $3 } $1 ~ ("/" l "$") { print $1 }' <<<"$libraries" | head -n 1)
  library_path[$library]=$path
  if [ -n "$path" ]; then
    real=$(readlink -f "$path")
    candidates+=("$path" "$real" "${path#/usr}" "${real#/usr}")
  fi
done
owners=$(dpkg -S "${candidates[@]}" 2>/dev/null)
for library in $needed; do
  path=${library_path[$library]}
  owner=""
  if [ -n "$path" ]; then
    real=$(readlink -f "$path")
    for candidate in "$path" "$real" "${path#/usr}" "${real#/usr}"; do
      owner=$(awk -v p="$candidate" 'substr($0, length($0) - length(p) - 1) == ": " p { sub(/[:,].*/, ""); print; exit }' \
              <<<"$owners")
      [ -n "$owner" ] && break
    done
  fi
  if [ -z "$owner" ]; then
    fail "$library (${path:-not found}) belongs to no installed package"
  elif ! grep -qx "$owner" <<<"$depends"; then
    fail "the program links $library from $owner, which Depends does not name"
  fi
done

# --- 4. apt resolves the dependencies ----------------------------------------
if ! apt-get install --simulate -q "$deb" >"$work/apt.log" 2>&1; then
  cat "$work/apt.log"
  fail "apt-get cannot resolve the package's dependencies"
elif ! grep -q '^Inst vialumo ' "$work/apt.log"; then
  cat "$work/apt.log"
  fail "apt-get would not install the package"
fi

# --- 5. the unpacked program, through its launcher, without a display ---------
launcher="$root/usr/bin/vialumo"
run() { env -u DISPLAY -u WAYLAND_DISPLAY "$launcher" "$@"; }
out=$(run --version 2>&1) || fail "--version exits $?"
[ "$out" = "vialumo $version" ] || fail "--version prints '$out', expected 'vialumo $version'"
out=$(run --help 2>&1) || fail "--help exits $?"
grep -q -- '--export-gpx' <<<"$out" || fail "--help does not list --export-gpx"

# A relative path, read against the folder the launcher was started in.
mkdir -p "$work/elsewhere"
cp "$gps_file" "$work/elsewhere/"
name=$(basename "$gps_file")
if ! (cd "$work/elsewhere" && run --export-gpx "$name") >"$work/packaged.gpx" 2>"$work/export.err"; then
  cat "$work/export.err"
  fail "--export-gpx $name failed"
fi
"$build/deploy/vialumo" --export-gpx "$gps_file" >"$work/built.gpx" 2>/dev/null
grep -q '<trkpt ' "$work/packaged.gpx" || fail "--export-gpx wrote no track point"
cmp -s "$work/built.gpx" "$work/packaged.gpx" || fail "the packaged program's GPX differs from the build's"
run --export-gpx "$work/elsewhere/no such file.gpx" >/dev/null 2>&1
status=$?
[ "$status" -eq 2 ] || fail "--export-gpx of a missing file exits $status, expected 2"

# --- 6. menu entry, metainfo, man page ---------------------------------------
entry="$root/usr/share/applications/vialumo.desktop"
desktop-file-validate "$entry" || fail "desktop-file-validate rejects the menu entry"
grep -qx 'Exec=/usr/bin/vialumo %F' "$entry" || fail "the entry's Exec is not '/usr/bin/vialumo %F'"
grep -qx 'Path=/usr/lib/vialumo' "$entry" || fail "the entry's Path is not /usr/lib/vialumo"
grep -q '^MimeType=.*video/mp4;' "$entry" || fail "the entry names no video types"

metainfo="$root/usr/share/metainfo/io.github.vialumo.Vialumo.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
# The same together with the files it names: the menu entry it launches.
appstreamcli validate-tree --no-net "$root" >"$work/tree.log" 2>&1 \
  || { cat "$work/tree.log"; fail "appstreamcli rejects the installed tree"; }
grep -q '<launchable type="desktop-id">vialumo.desktop</launchable>' "$metainfo" \
  || fail "the metainfo does not launch vialumo.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
shots=$(sed -n 's|.*<image[^>]*>.*/\([^/<]*\)</image>.*|\1|p' "$metainfo")
[ -n "$shots" ] || fail "the metainfo shows no screenshot"
for shot in $shots; do
  [ -f "$source/docs/$shot" ] || fail "the screenshot $shot is not a picture of docs/"
done

manpage="$root/usr/share/man/man1/vialumo.1.gz"
if ! MANWIDTH=80 man --warnings -l -P cat "$manpage" >"$work/man.txt" 2>"$work/man.err" || [ -s "$work/man.err" ]; then
  cat "$work/man.err"
  fail "man reports problems in the man page"
fi
lexgrog "$manpage" >/dev/null || fail "lexgrog finds no NAME line in the man page"
for section in OPTIONS KEYS "EXIT STATUS" FILES; do
  grep -qx "$section" "$work/man.txt" || fail "the man page has no $section"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package: fields, dependencies, files, unpacked program, entry, metainfo and man page all fine"
