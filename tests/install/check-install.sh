#!/usr/bin/env bash
# Installs the build into temporary prefixes and checks what a desktop user
# gets: the files, the menu entry, and the program started by the entry's
# command, showing its window, then closed through its close button.
#
#   check-install.sh <cmake> <build-dir>
#
# Needs an X server (DISPLAY), xdotool and xprop; exits 77 (skipped) without them.
set -uo pipefail

cmake=$1
build=$2

# The runnable folder must hold these; the rest of images/ is compared with
# the build's own copy.
required_images=(startupp.html googlearth.html no_connection.html no_gps_file.html no_gps_info.html
                 map/core.js map/basemap.js map/world.js
                 Video_Play.png Video_Pause.png Window_Max.png Window_Normal.png)
icon_sizes=(48 64 128 256)
start_timeout=120   # seconds; the sanitizer build starts slowly
# Generous: under the sanitizers and a busy machine the web engine takes a
# while to shut down.
close_timeout=90

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
die() { echo "FAIL: $*" >&2; exit 1; }

if [ -z "${DISPLAY:-}" ] || ! command -v xdotool >/dev/null || ! command -v xprop >/dev/null; then
  echo "SKIP: needs an X server (DISPLAY), xdotool and xprop"
  exit 77
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/vialumo-install.XXXXXX") || die "no temporary folder"
app_pid=""
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then
    kill -9 "$app_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# desktop_key FILE KEY: the value of KEY in the [Desktop Entry] group.
desktop_key() {
  sed -n '/^\[Desktop Entry\]/,/^\[/{s/^'"$2"'=//p}' "$1" | head -n 1
}

# png_size FILE: "WIDTHxHEIGHT" from the PNG header.
png_size() {
  local b
  read -r -a b < <(od -An -tu1 -j16 -N8 "$1")
  [ "${#b[@]}" -eq 8 ] || return 1
  echo "$(( (b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3] ))x$(( (b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7] ))"
}

# --- 1. a prefix with a space: the launcher and the entry must quote it -----
prefix="$work/pre fix"
if ! "$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  die "cmake --install --prefix failed"
fi

launcher="$prefix/bin/vialumo"
program_dir="$prefix/lib/vialumo"
entry="$prefix/share/applications/vialumo.desktop"

[ -x "$launcher" ] || fail "no executable launcher at bin/vialumo"
[ -x "$program_dir/vialumo" ] || fail "no executable program at lib/vialumo/vialumo"
for f in "${required_images[@]}"; do
  [ -s "$program_dir/images/$f" ] || fail "images/$f not installed"
done
if [ -f "$build/deploy/images/leaflet/leaflet.js" ] && [ ! -s "$program_dir/images/leaflet/leaflet.js" ]; then
  fail "images/leaflet/leaflet.js not installed"
fi
diff -r "$build/deploy/images" "$program_dir/images" >/dev/null \
  || fail "installed images/ differs from the build's runnable folder"

for size in "${icon_sizes[@]}"; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/vialumo.png"
  if [ ! -f "$icon" ]; then
    fail "no ${size}x${size} icon"
  elif [ "$(png_size "$icon")" != "${size}x${size}" ]; then
    fail "${size}x${size} icon is $(png_size "$icon")"
  fi
done

if [ ! -f "$entry" ]; then
  die "no menu entry at share/applications/vialumo.desktop"
fi
check_key() {
  local got
  got=$(desktop_key "$1" "$2")
  [ "$got" = "$3" ] || fail "$(basename "$1"): $2 is '$got', expected '$3'"
}
check_key "$entry" Type Application
check_key "$entry" Name Vialumo
check_key "$entry" Icon vialumo
check_key "$entry" Terminal false
check_key "$entry" Exec "\"$launcher\" %F"
check_key "$entry" Path "$program_dir"
case ";$(desktop_key "$entry" Categories)" in
  *";AudioVideo;"*) ;;
  *) fail "Categories lacks AudioVideo" ;;
esac
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the entry"
else
  echo "note: desktop-file-validate not found (package desktop-file-utils); entry checked by keys only"
fi
if grep -qi 'sandbox' "$entry" "$launcher"; then
  fail "the launcher or the entry touches Chromium's sandbox"
fi

# --- 2. DESTDIR: staged files, entry naming the final prefix ---------------
final="/opt/vialumo-check-$$"
if ! DESTDIR="$work/stage" "$cmake" --install "$build" --prefix "$final" >"$work/install-destdir.log" 2>&1; then
  cat "$work/install-destdir.log"
  fail "cmake --install with DESTDIR failed"
else
  staged="$work/stage$final/share/applications/vialumo.desktop"
  [ -x "$work/stage$final/lib/vialumo/vialumo" ] || fail "DESTDIR: program not staged"
  [ -e "$final" ] && fail "DESTDIR: files written to $final itself"
  if [ -f "$staged" ]; then
    check_key "$staged" Exec "$final/bin/vialumo %F"
    check_key "$staged" Path "$final/lib/vialumo"
  else
    fail "DESTDIR: menu entry not staged"
  fi
fi

# --- 3. start it as the menu does, in a Wayland-like session ---------------
# The entry's command: string escapes first (\\ is \), then the shell-like
# quoting of Exec, which eval reads the same way for what we write.
exec_line=$(desktop_key "$entry" Exec)
exec_line=${exec_line//\\\\/\\}
eval "set -- $exec_line" || die "cannot read Exec"
[ "$1" = "$launcher" ] || fail "Exec runs '$1', expected the launcher"
# The files the menu hands over take the place of %F: none here, as when the
# entry is started from the menu.
[ "${2:-}" = "%F" ] || fail "Exec does not end in %F (files from \"Open with\")"
set -- "$1"

# Chromium refuses to start as root with its sandbox on; a normal user keeps it.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
else
  unset QTWEBENGINE_DISABLE_SANDBOX
fi
mkdir -p "$work/elsewhere"
(
  cd "$work/elsewhere" || exit 1
  unset QT_QPA_PLATFORM
  export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=vialumo-check-no-such-display
  exec "$@"
) >"$work/app.log" 2>&1 &
app_pid=$!

# The main window: titled Vialumo like the splash screen before it, but the
# splash's window types start with the splash type (normal comes after it as
# a fallback).
main_window() {
  local w types
  for w in $(xdotool search --onlyvisible --pid "$app_pid" --name '^Vialumo$' 2>/dev/null); do
    types=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)
    if [[ $types == *_NET_WM_WINDOW_TYPE_NORMAL* && $types != *_NET_WM_WINDOW_TYPE_SPLASH* ]]; then
      echo "$w"
      return
    fi
  done
}

show_log() { echo "--- program output (last lines)"; tail -n 40 "$work/app.log"; }

wid=""
for _ in $(seq 1 $((start_timeout * 2))); do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    show_log
    die "the program ended before showing its window"
  fi
  wid=$(main_window)
  [ -n "$wid" ] && break
  sleep 0.5
done
if [ -z "$wid" ]; then
  show_log
  die "no window titled Vialumo within ${start_timeout}s"
fi
echo "$SECONDS s: window $wid shown by pid $app_pid"

[ "$(readlink "/proc/$app_pid/exe")" = "$(readlink -f "$program_dir/vialumo")" ] \
  || fail "the running program is $(readlink "/proc/$app_pid/exe"), not the installed one"
# Its map pages and button faces are read from images/ under this folder.
[ "$(readlink "/proc/$app_pid/cwd")" = "$(readlink -f "$program_dir")" ] \
  || fail "the program runs in $(readlink "/proc/$app_pid/cwd"), not in lib/vialumo"

# --- 4. close it with its own close button (top right of the window) -------
closed=false
for _ in $(seq 1 $((close_timeout / 3))); do
  wid=$(main_window)
  if [ -n "$wid" ] && geometry=$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null); then
    eval "$geometry"
    echo "$SECONDS s: click at $((X + WIDTH - 15)),$((Y + 10)) on ${WIDTH}x${HEIGHT}"
    xdotool mousemove $((X + WIDTH - 15)) $((Y + 10)) sleep 0.2 click 1 2>/dev/null
  fi
  for _ in 1 2 3 4 5 6; do
    if ! kill -0 "$app_pid" 2>/dev/null; then
      closed=true
      break 2
    fi
    sleep 0.5
  done
done
if ! $closed; then
  show_log
  die "the program did not close within ${close_timeout}s of clicks on its close button"
fi
wait "$app_pid"
status=$?
app_pid=""
if [ "$status" -ne 0 ]; then
  show_log
  fail "the program exited with status $status"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "installed program: files, menu entry, start and close all fine"
