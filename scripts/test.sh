#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: the strict release build (warnings
# as errors, build/strict) with the style check, the AddressSanitizer/UndefinedBehaviorSanitizer
# build (build/asan), the ThreadSanitizer build of the code that runs threads (build/tsan), and
# a short run of every fuzz target (build/fuzz). The tests run in a private network namespace
# (scripts/isolated.sh): they neither need nor touch the machine's own servers. build/default,
# the demo's and the developer's own build, is left alone.
#
# Every stage ends with one line "test: STAGE passed" or "test: FAILED: STAGE ...", and a
# failed stage names the stages it skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
minutes() { echo "$(( ($(date +%s) - start) / 60 )) min"; }
step() { echo "test: $* ($(minutes) so far)"; }

stages=(setup release asan tsan fuzz)
jobs=$(nproc)

stage_setup() {
  bash scripts/setup.sh
}

stage_release() {
  step "building the strict release build"
  cmake --preset strict >/dev/null
  cmake --build --preset strict -j "$jobs"
  # The style check runs beside the tests, which spend most of their time waiting on peers.
  step "running the tests of the release build, and the style check beside them; the device" \
    "that never reads the upload holds one test for its whole 300 s limit"
  bash scripts/style.sh build/strict &
  local style=$! tests_rc=0 style_rc=0
  bash scripts/isolated.sh ctest --preset strict -j "$jobs" || tests_rc=$?
  wait "$style" || style_rc=$?
  if [ "$tests_rc" -ne 0 ] || [ "$style_rc" -ne 0 ]; then
    echo "test: release tests exit $tests_rc, style check exit $style_rc" >&2
    return 1
  fi
}

stage_asan() {
  step "building the sanitizer build"
  cmake --preset asan >/dev/null
  cmake --build --preset asan -j "$jobs"
  step "running the tests under AddressSanitizer and UndefinedBehaviorSanitizer"
  bash scripts/isolated.sh ctest --preset asan -j "$jobs"
}

stage_tsan() {
  step "building the ThreadSanitizer build of the code that runs threads"
  cmake --preset tsan >/dev/null
  cmake --build --preset tsan -j "$jobs"
  step "running the tests that run threads under ThreadSanitizer"
  bash scripts/isolated.sh ctest --preset tsan -j "$jobs"
}

stage_fuzz() {
  step "building and running the fuzz targets"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs"
  bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
}

for i in "${!stages[@]}"; do
  stage=${stages[$i]}
  # A subshell with -e of its own: a function called as `f || ...` would ignore -e inside.
  set +e
  (set -e; "stage_$stage")
  rc=$?
  set -e
  if [ "$rc" -ne 0 ]; then
    skipped=("${stages[@]:$((i + 1))}")
    echo "test: FAILED: $stage (exit $rc) after $(minutes);" \
      "skipped: ${skipped[*]:-nothing}" >&2
    exit 1
  fi
  echo "test: $stage passed ($(minutes) so far)"
done
echo "test: everything passed: release and sanitizer tests, style, fuzz targets," \
  "in $(minutes)"
