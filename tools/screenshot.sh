#!/usr/bin/env bash
# Starts one of the updater's windows on a virtual X display and writes a PNG of it.
# Usage: tools/screenshot.sh [--registers empty|found|updated|fleet|save] [OUTPUT.png]
#   OUTPUT.png   where to write the picture (default: build/window.png in the repository)
#   --registers  the window for the registers of a network instead of the main window:
#                empty   as it opens;
#                found   after a search of a loopback /24 holding four device simulators
#                        (current, old, old and failing, without a version);
#                updated after "Update selected" on that table, once every register is done;
#                fleet   254 registers of a /24 (189 old, 11 of them failing, 54 current)
#                        after "Update selected": the failures shown, sorted by the update
#                        column.
#                save    the file dialog of "Save the record..." after "updated" (Qt's own
#                        dialog, in the program's language).
#                found, updated, fleet and save need ports 80 and 8080, so they run in a private
#                network namespace (scripts/isolated.sh, as root).
# The environment chooses scale and language as for the program: QT_SCALE_FACTOR=2,
# LANG=sk_SK.UTF-8 or LANG=C.UTF-8; ZEDEZ_SCREENSHOT_PRESET the build (default: default).
# The display has no window manager, so the picture shows the client area without a frame.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
stage=""
if [ "${1:-}" = --registers ]; then
  stage=${2:?"--registers needs empty, found, updated, fleet or save"}
  case $stage in empty | found | updated | fleet | save) ;; *) echo "unknown stage: $stage" >&2 && exit 64 ;; esac
  shift 2
fi
output=$(realpath -m "${1:-$repo/build/window.png}")
cd "$repo"

# The preset whose build is used (default; strict, say, where that one is built already).
preset=${ZEDEZ_SCREENSHOT_PRESET:-default}
if [ ! -d "build/$preset" ]; then cmake --preset "$preset" >/dev/null; fi
cmake --build "build/$preset" --target zedez-updater zedez-x11-probe -j2 >/dev/null
updater=$repo/build/$preset/app/zedez-updater
probe=$repo/build/$preset/tests/app/zedez-x11-probe

if [ -z "$stage" ]; then
  xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$updater" "$probe" "$output" <<'SCRIPT'
set -euo pipefail
updater=$1 probe=$2 output=$3
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
(cd "$workdir" && exec "$updater") &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Brenvo Tesmora Updater ZEDEZ' | head -n 1)
"$probe" screenshot "$window" "$output"
"$probe" close "$window"
timeout 20 tail --pid="$pid" -f /dev/null
wait "$pid"
SCRIPT
  echo "screenshot: $output"
  exit 0
fi

run=(bash)
if [ "$stage" != empty ]; then run=(bash scripts/isolated.sh bash); fi
screen=1920x1080x24
if [ "${QT_SCALE_FACTOR:-1}" != 1 ]; then screen=3840x2160x24; fi
"${run[@]}" -c 'exec xvfb-run -a -s "-screen 0 '"$screen"'" bash -s "$@"' screenshot \
  "$updater" "$probe" "$output" "$stage" "$repo/tools" <<'SCRIPT'
set -euo pipefail
updater=$1 probe=$2 output=$3 stage=$4 tools=$5
workdir=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$workdir"
}
trap cleanup EXIT

# Waits (bounded) until the command succeeds.
wait_for() {
  local tries=$1
  shift
  until "$@"; do
    tries=$((tries - 1))
    if [ "$tries" -le 0 ]; then echo "screenshot: gave up waiting for: $*" >&2 && exit 1; fi
    sleep 0.2
  done
}
lines_in() { [ -f "$1" ] && [ "$(grep -c '' "$1")" -ge "$2" ]; }
# Two pictures a second apart that are the same: the window has settled.
settled() {
  "$probe" screenshot "$window" "$workdir/a.png"
  sleep 1
  "$probe" screenshot "$window" "$workdir/b.png"
  cmp -s "$workdir/a.png" "$workdir/b.png"
}

net=127.0.80
hosts="11 12 13 14"
if [ "$stage" = fleet ]; then
  # A config of its own: the window's last range and sort are not the user's.
  export XDG_CONFIG_HOME=$workdir/config
  mkdir -p "$XDG_CONFIG_HOME/zedez-updater"
  printf '[table]\nsortColumn=2\nsortOrder=0\n' >"$XDG_CONFIG_HOME/zedez-updater/registers.conf"
  python3 - "$net" >"$workdir/devices.json" <<'PY'
import json, sys
net = sys.argv[1]
devices = {f"{net}.{h}": {"version": "1.0.12"} for h in range(201, 255)}
devices.update({f"{net}.{h}": {"responses": {"firmware": {"status": 500}}} for h in range(190, 201)})
print(json.dumps({"devices": devices}))
PY
  python3 "$tools/device_simulator.py" $(seq -f "$net.%g" 1 254) --version 1.0.9 --restart 1 \
    --config "$workdir/devices.json" --max-lifetime 600 >"$workdir/fleet.out" 2>&1 &
  pids+=($!)
  wait_for 300 grep -qs '^ready' "$workdir/fleet.out"
  hosts=""
elif [ "$stage" != empty ]; then
  simulator() {
    local host=$1
    shift
    python3 "$tools/device_simulator.py" "$net.$host" --record "$workdir/sim$host.jsonl" \
      --max-lifetime 300 "$@" >"$workdir/sim$host.out" 2>&1 &
    pids+=($!)
  }
  simulator 11 --version 1.0.12
  simulator 12 --version 1.0.9 --restart 1 --version-after 1.0.12
  simulator 13 --version 1.0.10 --status firmware=500
  simulator 14 --no-version
  for host in $hosts; do wait_for 100 grep -qs '^ready' "$workdir/sim$host.out"; done
fi

(cd "$workdir" && exec "$updater" --registers --record "$workdir/record.jsonl") &
pid=$!
pids+=("$pid")
window=$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" | head -n 1)
if [ "$stage" != empty ]; then
  # By keyboard alone, as a person would: the range field has the focus.
  xdotool windowfocus --sync "$window"
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 20 "$net.0/24"
  xdotool key Return
  for host in $hosts; do wait_for 100 lines_in "$workdir/sim$host.jsonl" 1; done
  wait_for 100 settled
fi
if [ "$stage" = fleet ]; then
  case "${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}" in sk*) key=alt+a ;; *) key=alt+u ;; esac
  xdotool key --clearmodifiers "$key"
  wait_for 900 lines_in "$workdir/record.jsonl" 200
  wait_for 20 settled
fi
if [ "$stage" = updated ] || [ "$stage" = save ]; then
  # "Update selected" by its access key (the registers that need the update are selected).
  case "${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}" in sk*) key=alt+a ;; *) key=alt+u ;; esac
  xdotool key --clearmodifiers "$key"
  wait_for 300 lines_in "$workdir/record.jsonl" 2
  wait_for 20 settled
fi
shot=$window
if [ "$stage" = save ]; then
  # "Save the record..." by its access key; the dialog is the process's other window.
  case "${LC_ALL:-${LC_MESSAGES:-${LANG:-}}}" in sk*) key=alt+u ;; *) key=alt+d ;; esac
  xdotool key --clearmodifiers "$key"
  dialog_shown() {
    shot=$(xdotool search --onlyvisible --pid "$pid" | grep -vx "$window" | head -n 1 || true)
    [ -n "$shot" ]
  }
  wait_for 100 dialog_shown
  main=$window window=$shot
  wait_for 20 settled
  window=$main
fi
"$probe" screenshot "$shot" "$output"
if [ "$shot" != "$window" ]; then
  xdotool key --window "$shot" --clearmodifiers Escape
  dialog_closed() { ! xdotool search --onlyvisible --pid "$pid" | grep -qx "$shot"; }
  wait_for 100 dialog_closed
fi
"$probe" close "$window"
timeout 20 tail --pid="$pid" -f /dev/null
SCRIPT
echo "screenshot: $output"
