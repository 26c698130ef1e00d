#!/usr/bin/env python3
"""Time and peak memory of --history over a large record.

    history_bench.py PATH/TO/zedez-updater [--megabytes 1024] [--directory DIR]

The record holds lines as the updater writes them, from 40 sites of 8 registers each, a line
of 140 kB among every 10,000 (a register that names a long version), and two files of it
read at once. Each run's peak resident memory is the child's own (wait4); its output is
counted and dropped.
"""

import argparse
import json
import os
import subprocess
import sys
import tempfile
import time


def record_line(n):
    site = f"shop-{n % 40:02d}"
    address = f"10.{n % 40}.0.{n % 8 + 10}"
    failed = n % 13 == 0
    line = {
        "time": f"2026-{1 + n // 2_000_000 % 12:02d}-{1 + n // 80_000 % 28:02d}T"
                f"{n // 3600 % 24:02d}:{n // 60 % 60:02d}:{n % 60:02d}.{n % 1000:03d}Z",
        "site": site, "runId": f"{n // 320:08x}-run", "updaterVersion": "1.0.12",
        "host": site, "user": "zedez", "address": address,
        "versionBefore": "9" * 140_000 if n % 10_000 == 5 else "1.0.9",
        "versionAfter": None if failed else "1.0.12", "imageVersion": "1.0.12",
        "imageSha256": "ab" * 32, "result": "failed" if failed else "uploaded",
        "verified": None if failed else True,
        "verification": None if failed else "verified",
        "cause": {"class": "SocketError", "message": "Socket Error # 10061\r\nConnection refused."}
        if failed else None,
        "seconds": 12.5, "restartSeconds": 40.1, "waitRestart": 120, "tries": 1,
    }
    return json.dumps(line, separators=(",", ":")) + "\n"


def write_record(path, megabytes):
    target = megabytes << 20
    written = n = 0
    with open(path, "w") as f:
        while written < target:
            chunk = "".join(record_line(n + i) for i in range(1000))
            f.write(chunk)
            written += len(chunk)
            n += 1000
    return n


def measure(updater, args):
    start = time.monotonic()
    process = subprocess.Popen([updater, *args], stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL)
    lines = sum(1 for _ in process.stdout)
    # wait4 gives this child's own usage; ru_maxrss is in KiB.
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return process.returncode, lines, time.monotonic() - start, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("updater")
    parser.add_argument("--megabytes", type=int, default=1024)
    parser.add_argument("--directory", default=None)
    options = parser.parse_args()
    with tempfile.TemporaryDirectory(dir=options.directory) as directory:
        halves = [os.path.join(directory, f"record-{i}.jsonl") for i in (1, 2)]
        count = sum(write_record(p, options.megabytes // 2) for p in halves)
        size = sum(os.path.getsize(p) for p in halves)
        print(f"record: {count} lines, {size / (1 << 20):.0f} MiB in 2 files")
        for label, args in (("table", ["--history", *halves]),
                            ("failed addresses", ["--history", *halves, "--failed",
                                                  "--addresses"])):
            code, lines, seconds, peak = measure(options.updater, args)
            print(f"{label}: exit {code}, {lines} lines out, {seconds:.1f} s, "
                  f"peak {peak / 1024:.1f} MiB")
    return 0


if __name__ == "__main__":
    sys.exit(main())
