#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: the release build, the
# AddressSanitizer/UndefinedBehaviorSanitizer build, and a short run of every fuzz target.
# The tests run in a private network namespace (scripts/isolated.sh): they neither need nor touch
# the machine's own servers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake --preset default -DZEDEZ_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset default -j "$jobs"
# The style check runs beside the tests, which spend most of their time waiting on peers.
bash scripts/style.sh build/default &
style=$!
tests_rc=0
bash scripts/isolated.sh ctest --preset default -j "$jobs" || tests_rc=$?
style_rc=0
wait "$style" || style_rc=$?
if [ "$tests_rc" -ne 0 ] || [ "$style_rc" -ne 0 ]; then exit 1; fi

cmake --preset asan -DZEDEZ_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset asan -j "$jobs"
bash scripts/isolated.sh ctest --preset asan -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
