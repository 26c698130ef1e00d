#!/usr/bin/env bash
# Fails on any style finding: clang-format over every C++ file, clang-tidy over the product's
# sources (app, the libraries). Needs the compile commands of a configured build.
#
#   bash scripts/style.sh [BUILD_DIR] [--changed [BASE]]
#
# BUILD_DIR defaults to build/default. With --changed only the sources that differ from BASE
# (default: the upstream of the branch, else HEAD) go through clang-tidy, for a quick check
# before a commit; CI checks them all.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
changed=
base=
while [ $# -gt 0 ]; do
  case "$1" in
    --changed)
      changed=1
      if [ $# -gt 1 ] && [ "${2#-}" = "$2" ]; then base=$2; shift; fi
      shift ;;
    *) build=$1; shift ;;
  esac
done
jobs=$(nproc)

git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "style: clang-format: no findings"

if [ ! -f "$build/compile_commands.json" ]; then
  echo "style: $build/compile_commands.json is missing; configure that build first" >&2
  exit 1
fi
sources=('app/*.cpp' 'http/*.cpp' 'json/*.cpp' 'text/*.cpp')
if [ -n "$changed" ]; then
  base=${base:-$(git rev-parse -q --verify '@{upstream}' 2>/dev/null || echo HEAD)}
  mapfile -t files < <( { git diff --name-only "$base" -- "${sources[@]}"; \
                          git ls-files --others --exclude-standard -- "${sources[@]}"; } | sort -u |
                        while read -r f; do [ -f "$f" ] && echo "$f"; done)
else
  mapfile -t files < <(git ls-files -- "${sources[@]}")
fi
total=${#files[@]}
if [ "$total" -eq 0 ]; then
  echo "style: clang-tidy: no sources to check"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "style: clang-tidy over $total sources, $jobs at a time"
start=$(date +%s)
# Each file's findings go to a log of its own; a line per tenth of the way shows progress.
tidy_one() {
  local build=$1 work=$2 total=$3 start=$4 file=$5 log
  log="$work/$(echo "$file" | tr / _).log"
  if ! clang-tidy -p "$build" --quiet --warnings-as-errors="$tidy_errors" "$file" >"$log" 2>&1; then
    echo "$file" >>"$work/failed"
  fi
  local done
  done=$( (flock 9; echo "$file" >>"$work/done"; wc -l <"$work/done") 9>"$work/lock")
  if [ $((done * 10 / total)) -ne $(((done - 1) * 10 / total)) ] || [ "$done" -eq "$total" ]; then
    echo "style: clang-tidy $done/$total ($(($(date +%s) - start)) s)"
  fi
}
# Every finding is an error, a function over 60 lines (readability-function-size) too.
tidy_errors='*'
export tidy_errors
export -f tidy_one
printf '%s\n' "${files[@]}" |
  xargs -P "$jobs" -I{} bash -c 'tidy_one "$@"' _ "$build" "$work" "$total" "$start" {}
if [ -s "$work/failed" ]; then
  while read -r file; do
    grep -vE '^[0-9]+ warnings? (and [0-9]+ errors? )?generated|^Suppressed|^Use -header-filter' \
      "$work/$(echo "$file" | tr / _).log" >&2 || true
  done <"$work/failed"
  echo "style: clang-tidy found the above" >&2
  exit 1
fi
echo "style: clang-tidy: no findings"
