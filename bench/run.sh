#!/usr/bin/env bash
# Builds and runs every benchmark; each prints its figure beside a baseline
# measured in the same run. Name benchmarks to run only those:
#   bench/run.sh [bench_gpslog bench_catalogue ...]
# VIALUMO_BUILD_DIR names another build directory than build/.
set -euo pipefail
cd "$(dirname "$0")/.."
export VIALUMO_BUILD_DIR="${VIALUMO_BUILD_DIR:-build}"
./tools/install-deps.sh
cmake -S . -B "$VIALUMO_BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  # Programs, and scripts behind a custom target of the same name.
  mapfile -t names < <(grep -hoE 'add_(executable|custom_target)\(bench_[a-z0-9_]*' bench/*/*.cmake \
                       | sed -E 's/add_(executable|custom_target)\(//' | sort)
fi
cmake --build "$VIALUMO_BUILD_DIR" -j"$(nproc)" --target "${names[@]}"
# Some benchmarks open real windows: all run on one private X server.
run_all() {
  for name in "$@"; do
    echo "== $name"
    "$VIALUMO_BUILD_DIR/bench/$name"
  done
}
export -f run_all
export QTWEBENGINE_CHROMIUM_FLAGS=--disable-gpu
tools/with-xvfb.sh bash -c 'run_all "$@"' _ "${names[@]}"
