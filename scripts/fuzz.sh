#!/usr/bin/env bash
# Runs every built fuzz target for a bounded time. Usage: scripts/fuzz.sh [seconds] [name-filter]
# The JSON parser target gets three times the budget: it is the widest input surface.
# The inputs a run finds live in a temporary folder that goes with it; FUZZ_CORPUS=DIR keeps
# them in DIR for the next run. An input that makes a target fail is kept in build/fuzz/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
filter=${2:-}
if [ -n "${FUZZ_CORPUS:-}" ]; then
  corpora=$FUZZ_CORPUS
else
  corpora=$(mktemp -d)
  trap 'rm -rf "$corpora"' EXIT
fi
findings=build/fuzz/findings
mkdir -p "$findings"
shopt -s nullglob
targets=(build/fuzz/fuzz/*/fuzz_*)
ran=0
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  [[ -z "$filter" || "$name" == *"$filter"* ]] || continue
  budget=$seconds
  [ "$name" = fuzz_json_parse ] && budget=$((seconds * 3))
  corpus="$corpora/$name"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/$name" ] && seeds=("fuzz/seeds/$name")
  # A folder's dictionary (fuzz/<folder>/<folder>.dict) serves every target built from it.
  folder=$(basename "$(dirname "$target")")
  dict=()
  [ -f "fuzz/$folder/$folder.dict" ] && dict=("-dict=fuzz/$folder/$folder.dict")
  echo "fuzz: $name for ${budget}s"
  log=$(mktemp)
  rc=0
  "$target" -max_total_time="$budget" -print_final_stats=1 -artifact_prefix="$findings/$name-" \
    "${dict[@]}" "$corpus" "${seeds[@]}" >"$log" 2>&1 || rc=$?
  grep -E '^stat::number_of_executed_units' "$log" || true
  if [ "$rc" -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz: $name found a fault (exit $rc); the input is in $findings" >&2
    exit 1
  fi
  rm -f "$log"
  ran=$((ran + 1))
done
echo "fuzz: $ran targets ran without a finding"
