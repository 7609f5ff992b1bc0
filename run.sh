#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player in its runnable folder.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vialumo

# A recorder-style sample drive to import, made once (and finished if a first
# run was broken off; the script keeps what is already there).
if [ -x tools/make-sample-drive ] && { [ ! -d sample/DCIM ] || [ -f sample/.make-sample-drive ]; }; then
  tools/make-sample-drive sample
fi

# Chromium inside the map view refuses to run as root with its sandbox on.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
cd build/deploy
exec ./vialumo "$@"
