"""--history over the records of several shops: the table, its filters and forms, and the
list of failed registers fed back into a second run."""

import csv
import io
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from fleet_support import (UPDATER, firmware_count, headless_env, json_lines,  # noqa: E402
                           random_subnet, run_updater)


def line(time, site, address, result, **fields):
    return json.dumps({"time": time, "site": site, "address": address, "result": result,
                       "versionBefore": "1.0.9", "versionAfter": None, "cause": None, **fields})


def history(*args, lang="C.UTF-8"):
    env = {**headless_env(), "LC_ALL": lang}
    for name in ("LANG", "LANGUAGE", "LC_MESSAGES"):
        env.pop(name, None)
    result = subprocess.run([UPDATER, "--history", *args], capture_output=True, text=True,
                            timeout=60, env=env, stdin=subprocess.DEVNULL)
    return result.returncode, result.stdout, result.stderr


def png_pixels(path):
    """Width, height and rows of RGB(A) pixels of an 8-bit, non-interlaced PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    at, chunks = 8, {}
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunks.setdefault(kind, []).append(data[at + 8:at + 8 + length])
        at += 12 + length
    width, height, depth, color, _, _, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"][0])
    assert depth == 8 and color in (2, 6) and interlace == 0
    size = 3 if color == 2 else 4
    raw = zlib.decompress(b"".join(chunks[b"IDAT"]))
    stride = width * size
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - size] if x >= size else 0
            b, c = previous[x], previous[x - size] if x >= size else 0
            if kind == 1:
                line[x] = (line[x] + a) & 255
            elif kind == 2:
                line[x] = (line[x] + b) & 255
            elif kind == 3:
                line[x] = (line[x] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[x] = (line[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x:x + 3]) for x in range(0, stride, size)])
        previous = line
    return width, height, rows


class History(unittest.TestCase):
    def test_records_of_two_shops(self):
        with tempfile.TemporaryDirectory() as directory:
            north, south = (os.path.join(directory, n) for n in ("north.jsonl", "south.jsonl"))
            with open(north, "w") as f:
                f.write("\n".join([
                    line("2026-12-01T08:00:00.000Z", "north", "127.10.0.1", "uploaded",
                         versionAfter="1.0.12", verified=True),
                    line("2026-12-03T08:00:00.000Z", "north", "127.10.0.2", "failed",
                         cause={"class": "NetError", "message": "Not Found\r\n<html>"}),
                    "not a record",
                    line("2026-12-05T08:00:00.000Z", "north", "127.10.0.1", "interrupted",
                         cause={"class": "Interrupted", "message": "interrupted by SIGTERM"}),
                ]) + "\n")
            with open(south, "w") as f:
                f.write("\n".join([
                    line("2026-12-02T08:00:00.000Z", "south", "127.10.1.1", "uploaded",
                         verified=False, verification="not-back", waitRestart=120),
                    # A register that names a version of 140 kB.
                    line("2026-12-04T08:00:00.000Z", "south", "127.10.1.2", "declined",
                         versionBefore="9" * 140_000),
                ]) + "\n")

            code, out, err = history(north, south)
            self.assertEqual(code, 0, err)
            rows = out.splitlines()
            self.assertRegex(rows[0], r"^TIME \(UTC\)\s+SITE\s+ADDRESS\s+VERSION BEFORE -> AFTER")
            self.assertEqual([r.split()[3] for r in rows[1:-1]],
                             ["127.10.0.1", "127.10.1.1", "127.10.0.2", "127.10.1.2", "127.10.0.1"])
            self.assertIn("not back within 120 s", rows[2])
            self.assertIn("Not Found <html>", rows[3])
            self.assertNotIn("\\x0D", out)
            self.assertIn("...", rows[4])
            self.assertLess(len(rows[4]), 400)
            self.assertRegex(rows[5], r"1\.0\.9 -> -\s+interrupted")
            self.assertEqual(rows[-1], "Total: 5 lines, 4 registers at 2 sites: 1 declined, "
                                       "1 failed, 1 interrupted, 1 not back, 1 uploaded")
            self.assertIn("1 lines are no record", err)

            # The registers whose latest outcome is a failure, in the order of that outcome.
            code, out, _ = history(north, south, "--failed", "--addresses")
            self.assertEqual(out.split(), ["127.10.1.1", "127.10.0.2", "127.10.0.1"])
            code, out, _ = history(south, north, "--latest", "--site", "north",
                                   "--since", "2026-12-02")
            self.assertEqual([r.split()[3] for r in out.splitlines()[1:-1]],
                             ["127.10.0.2", "127.10.0.1"])

            code, out, _ = history(north, south, "--csv")
            sheet = list(csv.DictReader(io.StringIO(out)))
            self.assertEqual([r["site"] for r in sheet], ["north", "south", "north", "south",
                                                          "north"])
            self.assertEqual(sheet[2]["cause"], "Not Found <html>")

            code, out, _ = history(north, south, "--latest", lang="sk_SK.UTF-8")
            self.assertRegex(out.splitlines()[0], r"^ČAS \(UTC\)\s+MIESTO\s+ADRESA")
            self.assertTrue(out.splitlines()[-1].startswith("Spolu: riadky 4"), out)

    def test_failed_registers_run_again(self):
        nets = random_subnet(), random_subnet()
        shops = {"north": [f"{nets[0]}.10", f"{nets[0]}.11"],
                 "south": [f"{nets[1]}.10", f"{nets[1]}.11"]}
        failing = [shops["north"][1], shops["south"][0]]
        broken = {"devices": {a: {"responses": {"firmware": {"status": 500}}} for a in failing}}
        with testlib.start_fleet(shops["north"] + shops["south"], config=broken) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            records = []
            for site, addresses in shops.items():
                records.append(os.path.join(directory, f"{site}.jsonl"))
                code, _, err = run_updater("--devices", "-", "--wait-restart", "0", "--site", site,
                                           "--record", records[-1], input="\n".join(addresses))
                self.assertEqual(code, 1, err)

            code, again, err = history(*records, "--failed", "--addresses")
            self.assertEqual(sorted(again.split()), sorted(failing), err)
            fleet.set_config({})
            code, out, err = run_updater("--devices", "-", "--wait-restart", "0", "--json",
                                         input=again)
            self.assertEqual(code, 0, err)
            self.assertEqual(sorted(o["address"] for o in json_lines(out)), sorted(failing))
            self.assertEqual({a: firmware_count(fleet, a) for a in fleet.addresses},
                             {a: 2 if a in failing else 1 for a in fleet.addresses})

    @unittest.skipUnless(shutil.which("chromium"), "needs Debian's chromium")
    def test_page_of_the_chain_in_a_browser(self):
        shots = os.environ.get("ZEDEZ_SCREENSHOTS") or tempfile.mkdtemp()
        os.makedirs(shots, exist_ok=True)
        with tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "chain.jsonl")
            with open(record, "w") as f:
                for n in range(12):
                    site = ["bratislava", "kosice", "zilina"][n % 3]
                    f.write(line(f"2026-12-0{1 + n % 9}T08:00:00.000Z", site, f"127.10.{n % 3}.{n}",
                                 "uploaded", versionAfter=["1.0.12", "1.0.11"][n % 2]) + "\n")
                f.write(line("2026-12-09T08:00:00.000Z", "zilina", "127.10.2.99", "failed",
                             cause={"class": "SocketError",
                                    "message": "<script>alert(1)</script> refused"}) + "\n")
            page = os.path.join(directory, "chain.html")
            code, _, err = history(record, "--html", page)
            self.assertEqual(code, 0, err)
            with open(page) as f:
                html = f.read()
            self.assertNotIn("<script>", html)
            self.assertNotRegex(html, r"(src|href)=\"?https?:")
            # Failures first: the first row of Zilina's table is the failed register.
            zilina = html[html.index(">zilina "):]
            self.assertIn('<tr class="failed"><td>127.10.2.99</td>', zilina[:zilina.index("</tr>") + 400])

            for name, size in (("chain-desktop.png", (1280, 900)), ("chain-phone.png", (390, 844))):
                shot = os.path.join(shots, name)
                subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu",
                                "--hide-scrollbars", f"--window-size={size[0]},{size[1]}",
                                f"--screenshot={shot}", "file://" + page],
                               capture_output=True, timeout=120, env=headless_env())
                width, height, rows = png_pixels(shot)
                self.assertEqual((width, height), size)
                # The failed row's red background shows, on a phone too.
                reddish = sum(1 for row in rows for p in row if p == (0xFD, 0xE8, 0xE8))
                self.assertGreater(reddish, 2000, name)


if __name__ == "__main__":
    unittest.main()
