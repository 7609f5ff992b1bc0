#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, in a build folder of their own
# (the code under test is instrumented for coverage, with address and
# undefined-behaviour sanitizers):
#   fuzz/build.sh [BUILD_DIR]     (default: build-fuzz beside this folder)
# Then run, for example:
#   BUILD_DIR/fuzz/gpslog_fuzzer -runs=1000000 BUILD_DIR/corpus-gpslog fuzz/corpus/gpslog
# (the first folder collects what the run finds, the second holds the seeds).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$root/build-fuzz}
cmake -S "$root" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVIALUMO_BUILD_FUZZERS=ON -DVIALUMO_BUILD_TESTS=OFF -DVIALUMO_BUILD_BENCH=OFF >/dev/null
targets=$(sed -n 's/^vialumo_add_fuzzer(\([a-z0-9_]*\)[ )].*$/\1_fuzzer/p' "$here/CMakeLists.txt")
# shellcheck disable=SC2086
cmake --build "$out" -j2 --target $targets
for t in $targets; do
  mkdir -p "$out/corpus-${t%_fuzzer}"
  echo "built $out/fuzz/$t"
done
