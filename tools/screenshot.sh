#!/usr/bin/env bash
# Starts the updater's window on a virtual X display and writes a PNG of it.
# Usage: tools/screenshot.sh [OUTPUT.png]
#   OUTPUT.png  where to write the picture (default: build/window.png in the repository)
# The display has no window manager, so the picture shows the client area without a frame.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$repo/build/window.png}")
cd "$repo"

if [ ! -d build/default ]; then cmake --preset default >/dev/null; fi
cmake --build --preset default --target zedez-updater zedez-x11-probe -j2 >/dev/null
updater=build/default/app/zedez-updater
probe=build/default/tests/app/zedez-x11-probe

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$updater" "$probe" "$output" <<'SCRIPT'
set -euo pipefail
updater=$1 probe=$2 output=$3
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
(cd "$workdir" && exec "$OLDPWD/$updater") &
pid=$!
window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Brenvo Tesmora Updater ZEDEZ' | head -n 1)
"$probe" screenshot "$window" "$output"
"$probe" close "$window"
timeout 20 tail --pid="$pid" -f /dev/null
wait "$pid"
SCRIPT
echo "screenshot: $output"
