#!/usr/bin/env python3
"""A shop's fleet, timed: the real executable updates simulated registers on loopback, each of
which restarts after its upload and comes back on the image's version, and verifies every one.
Beside it, curl does the same per register (state, upload, then asking the state until the new
version answers) with as many at once.

    fleet_bench.py PATH/TO/zedez-updater [--devices 250] [--jobs 16,64] [--restart 5]
        [--rounds 1]

Every run starts on fresh registers (old version) and is checked: each register got exactly
one upload, and the updater reports each one verified. Peak memory is the updater's maximum
resident set (wait4). The goal line compares with twice the restart time plus 10 s and with
300 MB.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402

TOKEN = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1"
NEW_VERSION = "1.0.12"
RUN_TIMEOUT = 600.0
GOAL_MB = 300


def image_file(directory):
    resources = os.path.join(ROOT, "app", "resources")
    with open(os.path.join(resources, "resource_1.bin"), "rb") as f:
        part1 = f.read()
    with open(os.path.join(resources, "resource_2.bin"), "rb") as f:
        part2 = f.read()
    path = os.path.join(directory, "image.bin")
    with open(path, "wb") as f:
        f.write(b"MZ" + part1[2:] + b"Rar!" + part2)
    return path


def run_updater(updater, device_list, jobs, wait_seconds, output):
    """Seconds and peak resident MB of one run; every register must come back verified."""
    with open(output, "w") as out:
        started = time.monotonic()
        process = subprocess.Popen(
            [updater, "--devices", device_list, "--jobs", str(jobs), "--json", "--exit-status",
             "--wait-restart", str(wait_seconds)],
            stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
            env={**os.environ, "QT_QPA_PLATFORM": "offscreen"})
        killer = threading.Timer(RUN_TIMEOUT, process.kill)
        killer.start()
        try:
            _, status, usage = os.wait4(process.pid, 0)
        finally:
            killer.cancel()
        elapsed = time.monotonic() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    with open(output) as f:
        outcomes = [json.loads(line) for line in f if line.strip()]
    unverified = [o["address"] for o in outcomes if o.get("verification") != "verified"]
    if process.returncode != 0 or unverified:
        sys.exit(f"updater at --jobs {jobs}: exit {process.returncode}, "
                 f"{len(outcomes)} outcomes, not verified: {unverified[:5]}")
    return elapsed, usage.ru_maxrss / 1024


def run_curl(addresses, jobs, image, wait_seconds):
    """Seconds of the same work as a shell loop of curl under xargs -P."""
    script = (f'curl -sf -o /dev/null --connect-timeout 3 -m 10 "http://$0/api/state" && '
              f'curl -sf -o /dev/null --connect-timeout 60 -m 300 -0 '
              f'-H "Connection: keep-alive" --data-binary @{image} '
              f'"http://$0:8080/firmware?token={TOKEN}" && '
              f'end=$(($(date +%s) + {wait_seconds})) && '
              f'until curl -sf --connect-timeout 3 -m 5 "http://$0/api/state" '
              f'| grep -q \'"{NEW_VERSION}"\'; do '
              f'[ "$(date +%s)" -lt "$end" ] || exit 1; sleep 0.5; done')
    started = time.monotonic()
    subprocess.run(["xargs", "-P", str(jobs), "-n", "1", "sh", "-c", script],
                   input="\n".join(addresses), text=True, timeout=RUN_TIMEOUT, check=True,
                   stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def one_upload_each(fleet, addresses, who):
    counts = {a: len([r for r in fleet.records(a) if r.get("kind") == "firmware"])
              for a in addresses}
    wrong = {a: c for a, c in counts.items() if c != 1}
    if wrong:
        sys.exit(f"{who}: uploads per register {dict(list(wrong.items())[:5])}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("updater")
    parser.add_argument("--devices", type=int, default=250)
    parser.add_argument("--jobs", default="16,64")
    parser.add_argument("--restart", type=float, default=5.0,
                        help="seconds each register stays silent after its upload")
    parser.add_argument("--rounds", type=int, default=1)
    args = parser.parse_args()
    if not 1 <= args.devices <= 250:
        parser.error("--devices must be 1 to 250")
    addresses = [f"127.88.0.{n}" for n in range(1, args.devices + 1)]
    wait_seconds = 120
    goal = 2 * args.restart + 10
    with tempfile.TemporaryDirectory(prefix="fleet-bench-") as directory:
        device_list = os.path.join(directory, "devices.txt")
        with open(device_list, "w") as f:
            f.write("\n".join(addresses) + "\n")
        image = image_file(directory)
        output = os.path.join(directory, "outcomes.jsonl")
        print(f"{args.devices} registers, image {os.path.getsize(image)} bytes, restart "
              f"{args.restart:g} s, best of {args.rounds} round(s); goal {goal:g} s and "
              f"{GOAL_MB} MB")
        print(f"{'jobs':>5} {'zedez-updater s':>16} {'peak MB':>8} {'curl s':>8} "
              f"{'updater/curl':>13}  goal")
        for jobs in (int(j) for j in args.jobs.split(",")):
            best = {}
            peak = 0.0
            for name in ("updater", "curl"):
                for _ in range(args.rounds):
                    with testlib.start_fleet(addresses, "--lean-records", "--restart",
                                             str(args.restart), "--version-after",
                                             NEW_VERSION) as fleet:
                        if name == "updater":
                            elapsed, megabytes = run_updater(args.updater, device_list, jobs,
                                                             wait_seconds, output)
                            peak = max(peak, megabytes)
                        else:
                            elapsed = run_curl(addresses, jobs, image, wait_seconds)
                        one_upload_each(fleet, addresses, f"{name} at --jobs {jobs}")
                    best[name] = min(best.get(name, elapsed), elapsed)
            met = best["updater"] <= goal and peak <= GOAL_MB
            print(f"{jobs:>5} {best['updater']:>16.2f} {peak:>8.1f} {best['curl']:>8.2f} "
                  f"{best['updater'] / best['curl']:>13.2f}  {'met' if met else 'missed'}")


if __name__ == "__main__":
    main()
