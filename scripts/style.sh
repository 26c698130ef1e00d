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
root=$(pwd)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# Every finding is an error; the log is shown only when there is one.
if ! run-clang-tidy -p "$build" -j "$jobs" -quiet -warnings-as-errors='*' \
    "^$root/(app|http|json|text)/" >"$log" 2>&1; then
  grep -E 'error:|warning:' "$log" | grep -v 'warnings generated' | sort -u >&2 || cat "$log" >&2
  echo "style: clang-tidy found the above" >&2
  exit 1
fi
echo "style: clang-tidy: no findings"
