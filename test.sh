#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless:
# first built with AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan), then the normal build (build). Fails if either run fails.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
# The tools and the fuzz targets are built too, so that nothing of ours goes
# uncompiled; the fuzz targets replay their seed corpora as tests.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIALUMO_BUILD_TOOLS=ON -DVIALUMO_BUILD_FUZZERS=ON >/dev/null
cmake --build build -j"$(nproc)"
# The sanitizer build is optimised less and keeps line tables only (-O1 -g1):
# the sanitizers' reports still name file and line, and the tree compiles in
# about four fifths of the time (15.7 instead of 19.8 min from nothing here).
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
  -DVIALUMO_SANITIZE=ON -DVIALUMO_BUILD_BENCH=OFF -DVIALUMO_BUILD_FUZZERS=ON >/dev/null
cmake --build build-asan -j"$(nproc)"

echo "=== Test suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan)"
sanitized=0
( . tools/sanitizers/env.sh
  # A test that hangs or fails once inside the third-party threads under the
  # sanitizers gets one more try; a real finding fails both.
  exec tools/with-xvfb.sh ctest --test-dir build-asan --output-on-failure -j2 --repeat until-pass:2 "$@" ) || sanitized=$?

echo "=== Test suite (build)"
normal=0
# The random session runs once, above, where the sanitizers watch it.
tools/with-xvfb.sh ctest --test-dir build --output-on-failure -j2 -E '^e2e_random$' "$@" || normal=$?

if [ "$sanitized" -ne 0 ]; then
  echo
  echo "The following tests FAILED under the sanitizers (build-asan):"
  sed 's/^\([0-9]*\):\(.*\)/\t\1 - \2/' build-asan/Testing/Temporary/LastTestsFailed.log 2>/dev/null || true
  echo "Errors while running CTest"
  exit "$sanitized"
fi
exit "$normal"
