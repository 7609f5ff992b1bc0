#!/usr/bin/env bash
# Builds the libFuzzer target for the GPS log reader with clang, apart from
# the main (gcc) build: the reader's source is compiled here with the fuzzer
# and sanitizer instrumentation, Qt Core is linked as installed.
#   fuzz/build.sh [OUTPUT_DIR]     (default: build-fuzz beside this folder)
# Then run, for example:
#   OUTPUT_DIR/gpslog_fuzzer -runs=1000000 OUTPUT_DIR/corpus fuzz/corpus
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=${1:-$root/build-fuzz}
mkdir -p "$out/corpus"
moc="$(pkg-config --variable=libexecdir Qt6Core)/moc"
"$moc" "$root/gpslog/gpslogdata.h" -o "$out/moc_gpslogdata.cpp"
clang++ -std=c++17 -g -O1 -fno-omit-frame-pointer \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -fPIC \
  -I"$root" -I"$root/gpslog" $(pkg-config --cflags Qt6Core) \
  "$here/gpslog_fuzzer.cpp" "$root/gpslog/gpslogdata.cpp" "$out/moc_gpslogdata.cpp" \
  $(pkg-config --libs Qt6Core) -o "$out/gpslog_fuzzer"
echo "built $out/gpslog_fuzzer"
