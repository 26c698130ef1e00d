#!/usr/bin/env python3
"""Time for a whole fleet: 64 simulated devices on loopback, the updater at --jobs 1, 4 and
16, and beside it curl (state GET and image POST per device, as many at once).

    fleet_bench.py PATH/TO/zedez-updater [--devices 64] [--jobs 1,4,16] [--rounds 1]

Each round checks the devices' records: every device got exactly its one upload.
"""

import argparse
import os
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402

TOKEN = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1"
RUN_TIMEOUT = 600.0


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


def run_updater(updater, device_list, jobs):
    subprocess.run([updater, "--devices", device_list, "--jobs", str(jobs), "--json",
                    "--exit-status"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=RUN_TIMEOUT, check=True,
                   env={**os.environ, "QT_QPA_PLATFORM": "offscreen"})


def run_curl(addresses, jobs, image):
    script = (f'curl -sf -o /dev/null --connect-timeout 3 -m 10 "http://$0/api/state" && '
              f'curl -sf -o /dev/null --connect-timeout 60 -m 300 -0 '
              f'-H "Connection: keep-alive" --data-binary @{image} '
              f'"http://$0:8080/firmware?token={TOKEN}"')
    subprocess.run(["xargs", "-P", str(jobs), "-n", "1", "sh", "-c", script],
                   input="\n".join(addresses), text=True, timeout=RUN_TIMEOUT, check=True,
                   stdout=subprocess.DEVNULL)


def uploads_since(fleet, addresses, before):
    return {a: len([r for r in fleet.records(a) if r.get("kind") == "firmware"]) - before[a]
            for a in addresses}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("updater")
    parser.add_argument("--devices", type=int, default=64)
    parser.add_argument("--jobs", default="1,4,16")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    if not 1 <= args.devices <= 250:
        parser.error("--devices must be 1 to 250")
    addresses = [f"127.88.0.{n}" for n in range(1, args.devices + 1)]
    with tempfile.TemporaryDirectory(prefix="fleet-bench-") as directory, \
            testlib.start_fleet(addresses, "--lean-records") as fleet:
        device_list = os.path.join(directory, "devices.txt")
        with open(device_list, "w") as f:
            f.write("\n".join(addresses) + "\n")
        image = image_file(directory)
        print(f"{args.devices} devices, image {os.path.getsize(image)} bytes, "
              f"best of {args.rounds} round(s)")
        print(f"{'jobs':>5} {'zedez-updater s':>16} {'curl s':>8} {'updater/curl':>13}")
        for jobs in (int(j) for j in args.jobs.split(",")):
            best = {}
            for name, run in (("updater", lambda: run_updater(args.updater, device_list, jobs)),
                              ("curl", lambda: run_curl(addresses, jobs, image))):
                for _ in range(args.rounds):
                    before = {a: len([r for r in fleet.records(a)
                                      if r.get("kind") == "firmware"]) for a in addresses}
                    started = time.monotonic()
                    run()
                    elapsed = time.monotonic() - started
                    counts = uploads_since(fleet, addresses, before)
                    wrong = {a: c for a, c in counts.items() if c != 1}
                    if wrong:
                        sys.exit(f"{name} at --jobs {jobs}: uploads per device {wrong}")
                    best[name] = min(best.get(name, elapsed), elapsed)
            print(f"{jobs:>5} {best['updater']:>16.2f} {best['curl']:>8.2f} "
                  f"{best['updater'] / best['curl']:>13.2f}")


if __name__ == "__main__":
    main()
