#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: the release build, the
# AddressSanitizer/UndefinedBehaviorSanitizer build, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)
cmake --preset default -DZEDEZ_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

cmake --preset asan -DZEDEZ_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
bash scripts/fuzz.sh "${FUZZ_SECONDS:-20}"
