#!/usr/bin/env bash
# Demonstrates an unattended update against the device simulator on a loopback address:
# installs what is needed, builds the updater, starts the simulator on ports 80 and 8080
# (root, or a lowered net.ipv4.ip_unprivileged_port_start), runs
# "zedez-updater ADDRESS", and prints what the device received.
#
#   bash scripts/demo.sh [--address 127.0.0.80] [--skip-setup] [--skip-build]
#
# UPDATER=path overrides the program that is run (default build/default/app/zedez-updater);
# DEMO_IMAGE=file names the expected image instead of assembling it from app/resources.
set -euo pipefail
cd "$(dirname "$0")/.."

address=127.0.0.80
skip_setup=0
skip_build=0
while [ $# -gt 0 ]; do
  case "$1" in
    --address) address="$2"; shift 2 ;;
    --skip-setup) skip_setup=1; shift ;;
    --skip-build) skip_build=1; shift ;;
    *) echo "usage: $0 [--address 127.x.y.z] [--skip-setup] [--skip-build]" >&2; exit 2 ;;
  esac
done
updater=${UPDATER:-build/default/app/zedez-updater}
resources=${DEMO_RESOURCES:-app/resources}

if [ "$skip_setup" -eq 0 ]; then bash scripts/setup.sh; fi
if [ "$skip_build" -eq 0 ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target zedez-updater -j 2
fi
# The simulator and the updater meet on a loopback of their own, where nothing else holds
# ports 80 and 8080.
if [ -z "${ZEDEZ_ISOLATED:-}" ]; then
  exec bash scripts/isolated.sh bash scripts/demo.sh --address "$address" --skip-setup --skip-build
fi
if [ ! -x "$updater" ]; then
  echo "demo: $updater was not built" >&2
  exit 1
fi

work=$(mktemp -d)
sim_pid=
stop_simulator() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    # Bounded wait for it to end; then make sure.
    timeout 10 tail --pid="$sim_pid" -f /dev/null 2>/dev/null || kill -KILL "$sim_pid" 2>/dev/null || true
  fi
  sim_pid=
}
cleanup() {
  stop_simulator
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator prints "ready ADDRESS 80 8080" once both ports listen.
coproc SIMULATOR {
  exec python3 tools/device_simulator.py "$address" --record "$work/records.jsonl" \
    --max-lifetime 900 2>"$work/simulator.err"
}
sim_pid=$SIMULATOR_PID
ready=
read -r -t 30 -u "${SIMULATOR[0]}" ready || true
case "$ready" in
  ready*) echo "demo: device simulator $ready" ;;
  *)
    echo "demo: the device simulator did not start:" >&2
    cat "$work/simulator.err" >&2
    exit 1
    ;;
esac

run=("$updater" "$address")
if [ -z "${DISPLAY:-}" ]; then
  if command -v xvfb-run >/dev/null 2>&1; then
    run=(xvfb-run -a "${run[@]}")
  else
    export QT_QPA_PLATFORM=offscreen
  fi
fi
echo "demo: running ${run[*]}"
set +e
# The upload's own read limit is 300 s; this bound only keeps a hung run from lasting forever.
timeout 420 "${run[@]}" >"$work/updater.out" 2>"$work/updater.err"
updater_code=$?
set -e
stop_simulator

report_code=0
if python3 - "$work/records.jsonl" "$resources" "$work/updater.out" "$updater_code" \
    "${DEMO_IMAGE:-}" <<'EOF'
import glob, hashlib, json, os, sys

records_path, resources, out_path, code, image_path = sys.argv[1:6]
records = []
if os.path.exists(records_path):
    with open(records_path) as f:
        records = [json.loads(line) for line in f if line.strip()]

def part(number):
    found = [p for p in glob.glob(os.path.join(resources, "*"))
             if os.path.basename(p).lower().startswith(f"resource_{number}")]
    return sorted(found)[0] if found else None

image_sha = None
first, second = part(1), part(2)
if image_path:
    with open(image_path, "rb") as f:
        image_sha = hashlib.sha256(f.read()).hexdigest()
elif first and second:
    with open(first, "rb") as f:
        one = f.read()
    with open(second, "rb") as f:
        two = f.read()
    image = b"MZ" + one[2:] + b"Rar!" + two
    image_sha = hashlib.sha256(image).hexdigest()

print(f"device: state queries received: {sum(r['kind'] == 'state' for r in records)}")
uploads = [r for r in records if r["kind"] == "firmware"]
if not uploads:
    print("device: no firmware upload received")
for r in uploads:
    print(f"device: upload {r['request_line'].split('?')[0]} ... {r['version']}")
    print(f"device: token accepted: {'yes' if r['token_ok'] else 'no'}")
    print(f"device: body length: {r['body_length']} bytes"
          f"{'' if r['complete'] else ' (incomplete)'}")
    print(f"device: body SHA-256: {r['body_sha256']}")
    if image_sha is None:
        print(f"device: image SHA-256 unknown (no resource_1/resource_2 in {resources})")
    else:
        verdict = "equals" if r["body_sha256"] == image_sha else "DIFFERS FROM"
        print(f"device: body {verdict} the image (SHA-256 {image_sha})")
    print(f"device: answered {r['response_status']}")

with open(out_path, encoding="utf-8", errors="replace") as f:
    lines = [line.rstrip("\n") for line in f if line.strip()]
status = lines[-1] if lines else "(no status line printed)"
print(f"updater: exit code {code}")
print(f"updater: final status: {status}")

ok = (status == "OK. ORP sa reštartuje, a o chvíľu bude pripravená." and len(uploads) == 1
      and uploads[0]["token_ok"] and uploads[0]["body_sha256"] == image_sha)
sys.exit(0 if ok else 1)
EOF
then :; else
  report_code=$?
  if [ -s "$work/updater.err" ]; then
    echo "demo: the updater's standard error ends with:"
    tail -n 20 "$work/updater.err"
  fi
fi
exit "$report_code"
