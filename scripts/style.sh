#!/usr/bin/env bash
# Fails on any style finding: clang-format over every C++ file, clang-tidy over the product's
# sources (app, the libraries). Needs the compile commands of a configured build.
#
#   bash scripts/style.sh [BUILD_DIR]   (default build/default)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
jobs=$(nproc)

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "style: clang-format: no findings"

if [ ! -f "$build/compile_commands.json" ]; then
  echo "style: $build/compile_commands.json is missing; configure that build first" >&2
  exit 1
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Every finding is an error; only the findings are shown.
if ! git ls-files 'app/*.cpp' 'http/*.cpp' 'json/*.cpp' 'text/*.cpp' |
    xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' >"$log" 2>&1; then
  grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter' "$log" >&2 || true
  echo "style: clang-tidy found the above" >&2
  exit 1
fi
echo "style: clang-tidy: no findings"
