#!/usr/bin/env bash
# Starts the built player on a private X server and saves a picture of its
# window: tools/screenshot.sh OUT.png [SECONDS]
set -euo pipefail
out=$(realpath -m "$1")
wait_s=${2:-6}
here=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${INSIDE_XVFB:-}" ]; then
  INSIDE_XVFB=1 exec "$here/tools/with-xvfb.sh" "$0" "$out" "$wait_s"
fi

export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
cd "$here/build/deploy"
./vialumo >/dev/null 2>&1 &
app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null' EXIT
sleep "$wait_s"
wid=$(xdotool search --name '^Vialumo$' | tail -1)
eval "$(xdotool getwindowgeometry --shell "$wid")"
/usr/bin/import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "saved $out (${WIDTH}x${HEIGHT})"
