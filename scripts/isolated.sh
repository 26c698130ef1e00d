#!/usr/bin/env bash
# Runs a command in a private network namespace that has only its own loopback, so the test
# counterparts get ports 80 and 8080 even where the machine's own servers hold them, and nothing
# inside can reach past loopback. Where no namespace can be had (no root, or unshare refused), it
# says so and runs the command on the machine's loopback, with the nginx and tinyproxy services
# that would hold those ports stopped for the run and started again after it.
#
#   bash scripts/isolated.sh COMMAND [ARG...]
set -euo pipefail

if [ "${ZEDEZ_ISOLATED:-}" = 1 ]; then exec "$@"; fi

if unshare --net true 2>/dev/null && command -v ip >/dev/null 2>&1; then
  echo "isolated: running in a private network namespace with its own loopback" >&2
  exec unshare --net -- env ZEDEZ_ISOLATED=1 bash -c 'ip link set lo up && exec "$@"' isolated "$@"
fi

echo "isolated: no private network namespace here (needs root and unshare, plus ip from iproute2);" \
  "running on the machine's own loopback, with its nginx and tinyproxy services stopped" \
  "for the run" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
stopped=()
for service in nginx tinyproxy; do
  if "${sudo[@]}" service "$service" status >/dev/null 2>&1; then
    "${sudo[@]}" service "$service" stop >/dev/null 2>&1 && stopped+=("$service")
  fi
done
# The services that ran before the run run again after it.
restart() {
  for service in "${stopped[@]}"; do
    "${sudo[@]}" service "$service" start >/dev/null 2>&1 ||
      echo "isolated: could not start $service again" >&2
  done
}
trap restart EXIT
rc=0
ZEDEZ_ISOLATED=0 "$@" || rc=$?
exit "$rc"
