#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: the strict release build (warnings
# as errors, build/strict), the AddressSanitizer/UndefinedBehaviorSanitizer build (build/asan),
# the style check, and a short run of every fuzz target (build/fuzz). The tests run in a
# private network namespace (scripts/isolated.sh): they neither need nor touch the machine's
# own servers. build/default, the demo's and the developer's own build, is left alone.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
step() { echo "test: $* ($(( ($(date +%s) - start) / 60 )) min so far)"; }

bash scripts/setup.sh

jobs=$(nproc)
step "building the strict release build"
cmake --preset strict >/dev/null
cmake --build --preset strict -j "$jobs"
# The style check runs beside the tests, which spend most of their time waiting on peers.
step "running the tests of the release build, and the style check beside them"
bash scripts/style.sh build/strict &
style=$!
tests_rc=0
bash scripts/isolated.sh ctest --preset strict -j "$jobs" || tests_rc=$?
style_rc=0
wait "$style" || style_rc=$?
if [ "$tests_rc" -ne 0 ] || [ "$style_rc" -ne 0 ]; then
  echo "test: FAILED: release tests exit $tests_rc, style check exit $style_rc" >&2
  exit 1
fi

step "building the sanitizer build"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
step "running the tests under AddressSanitizer and UndefinedBehaviorSanitizer"
bash scripts/isolated.sh ctest --preset asan -j "$jobs"

step "building and running the fuzz targets"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
echo "test: everything passed: release and sanitizer tests, style, fuzz targets," \
  "in $(( ($(date +%s) - start) / 60 )) min"
