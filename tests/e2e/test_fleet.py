"""The real updater over many devices, without a display: a device list under --jobs, the
scan of a loopback /24, the wait for a restart and Ctrl-C. Simulated devices listen on ports
80 and 8080 of 127.x addresses (root)."""

import json
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from fleet_support import (UPDATER, firmware_count, headless_env, json_lines,  # noqa: E402
                           random_subnet, run_updater)

IMAGE_SIZE = 886008
SERVER_ERROR = {"status": 500, "body": "busy"}


def list_file(directory, addresses):
    os.makedirs(directory, exist_ok=True)
    path = os.path.join(directory, "devices.txt")
    with open(path, "w") as f:
        f.write("# the shop's registers\n\n" + "\n".join(f"  {a}  # till" for a in addresses))
    return path


class DeviceList(unittest.TestCase):
    def test_five_devices_each_get_exactly_their_one_upload(self):
        for jobs in (2, 4):
            with self.subTest(jobs=jobs), tempfile.TemporaryDirectory() as directory:
                net = random_subnet()
                current, absent, failing, first, second = (f"{net}.{n}" for n in range(1, 6))
                config = {"devices": {current: {"version": "v1.0.12"},
                                      failing: {"responses": {"state": SERVER_ERROR,
                                                              "firmware": SERVER_ERROR}}}}
                with testlib.start_fleet([current, failing, first, second],
                                         config=config) as fleet:
                    devices = [current, absent, failing, first, second]
                    code, out, err = run_updater("--devices", list_file(directory, devices),
                                                 "--jobs", str(jobs), "--json", "--exit-status",
                                                 "--wait-restart", "0")
                    results = {o["address"]: o for o in json_lines(out)}
                    self.assertEqual(code, 1, err)
                    self.assertEqual(sorted(results), sorted(devices))
                    self.assertEqual({a: o["result"] for a, o in results.items()},
                                     {current: "declined", absent: "failed",
                                      failing: "failed", first: "uploaded",
                                      second: "uploaded"})
                    self.assertEqual(results[absent]["error"]["class"], "SocketError")
                    self.assertEqual(results[failing]["error"]["class"], "HttpProtocolError")
                    self.assertEqual(results[first]["bytesSent"], IMAGE_SIZE)
                    self.assertIn(f"{current}: ", err)  # the question names its device
                    self.assertIn("5 devices: 2 uploaded, 2 failed, 1 declined", err)
                    self.assertIn(f"failed: {absent}, {failing}", err.splitlines())
                    self.assertEqual({a: firmware_count(fleet, a) for a in fleet.addresses},
                                     {current: 0, failing: 1, first: 1, second: 1})
                    for address in (first, second):
                        [upload] = [r for r in fleet.records(address) if r["kind"] == "firmware"]
                        self.assertEqual(upload["body_length"], IMAGE_SIZE)
                        self.assertEqual(upload["local"], f"{address}:8080")

    def test_ctrl_c_starts_no_further_device_and_lets_the_running_one_finish(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 5)]
        slow = {"responses": {"firmware": {"delay": 2}}}
        with testlib.start_fleet(devices, config=slow) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            process = subprocess.Popen(
                [UPDATER, "--devices", list_file(directory, devices), "--jobs", "1",
                 "--exit-status", "--json", "--wait-restart", "0"],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                stderr=subprocess.PIPE, text=True, env=headless_env())
            try:
                fleet.wait_for_kind(devices[0], "firmware")  # the first upload is under way
                process.send_signal(signal.SIGINT)
                out, err = process.communicate(timeout=60)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.communicate()
            # It ends by the signal, so that a shell loop over shops stops too.
            self.assertEqual(process.returncode, -signal.SIGINT, err)
            self.assertEqual([(o["address"], o["result"]) for o in json_lines(out)],
                             [(devices[0], "uploaded")]
                             + [(a, "not-started") for a in devices[1:]])
            self.assertIn("4 devices: 1 uploaded, 0 failed, 0 declined, 3 not started", err)
            self.assertIn("not started: " + ", ".join(devices[1:]), err.splitlines())
            self.assertEqual([firmware_count(fleet, a) for a in devices], [1, 0, 0, 0])


class Scan(unittest.TestCase):
    def test_finds_exactly_the_registers_of_a_loopback_24(self):
        net = random_subnet()
        devices = [f"{net}.7", f"{net}.80", f"{net}.254"]
        config = {"devices": {devices[1]: {"version": "v1.0.12"},
                              devices[2]: {"version": "V1.0.12"}}}
        with testlib.start_fleet(devices, config=config) as fleet:
            started = time.monotonic()
            code, out, err = run_updater("--scan", f"{net}.0/24", "--json", "--exit-status",
                                         timeout=60)
            self.assertLess(time.monotonic() - started, 30)
            self.assertEqual(code, 0, err)
            self.assertEqual(
                [(o["address"], o["versionText"], o["version"], o["verdict"], o["imageVersion"])
                 for o in json_lines(out)],
                [(devices[0], "1.0.9", 109, "update-available", "1.0.12"),
                 (devices[1], "v1.0.12", 1012, "current", "1.0.12"),
                 (devices[2], "V1.0.12", None, "unreadable", "1.0.12")])
            self.assertIn("254 addresses", err)

            # The plain lines feed a list as they are; the check uploads nothing either.
            code, plain, err = run_updater("--scan", f"{net}.0/24")
            self.assertEqual(plain.splitlines()[0], f"{devices[0]} 1.0.9")
            code, out, err = run_updater("--devices", "-", "--check", "--json", input=plain)
            self.assertEqual({o["address"]: o["result"] for o in json_lines(out)},
                             dict(zip(devices, ["checked", "checked", "failed"])))
            self.assertEqual([firmware_count(fleet, a) for a in devices], [0, 0, 0])

    def test_ranges_wider_than_16_are_refused_before_any_connect(self):
        code, out, err = run_updater("--scan", "127.0.0.0/15", "--exit-status", timeout=10)
        self.assertEqual((code, out), (64, ""))
        self.assertIn("wider than /16", err)


class WaitRestart(unittest.TestCase):
    def test_version_after_the_restart_or_not_back_in_time(self):
        net = random_subnet()
        quick, slow, stale = f"{net}.1", f"{net}.2", f"{net}.3"
        config = {"devices": {quick: {"restart": {"seconds": 2, "version_after": "1.0.12"}},
                              slow: {"restart": {"seconds": 60, "mode": "drop"}},
                              stale: {"restart": {"seconds": 1, "version_after": "1.0.9"}}}}
        with testlib.start_fleet([quick, slow, stale], config=config) as fleet:
            code, out, err = run_updater(quick, "--wait-restart", "20", "--json",
                                         "--exit-status")
            [outcome] = json_lines(out)
            self.assertEqual((code, outcome["result"], outcome["versionAfter"],
                              outcome["verification"]),
                             (0, "uploaded", "1.0.12", "verified"), err)
            self.assertGreaterEqual(outcome["restartSeconds"], 1.5)
            self.assertIn("back after", err)

            # Back, but on the old version: a failure that names both.
            code, out, err = run_updater(stale, "--wait-restart", "20", "--json",
                                         "--exit-status")
            [outcome] = json_lines(out)
            self.assertEqual((code, outcome["result"], outcome["verification"]),
                             (1, "failed", "wrong-version"), err)
            self.assertEqual(outcome["error"]["message"], "came back on 1.0.9, not 1.0.12")

            code, out, err = run_updater(slow, "--wait-restart", "3", "--exit-status")
            self.assertEqual(code, 1, err)
            self.assertEqual(out, "OK. ORP sa reštartuje, a o chvíľu bude pripravená.\n")
            self.assertIn("not back within 3 s", err)
            self.assertEqual([firmware_count(fleet, a) for a in (quick, slow, stale)], [1, 1, 1])


class Record(unittest.TestCase):
    def assertWholeRecords(self, path, count):
        with open(path, encoding="utf-8") as f:
            text = f.read()
        self.assertTrue(text.endswith("\n"), text[-200:])
        records = [json.loads(line) for line in text.splitlines()]
        self.assertEqual(len(records), count, text)
        for record in records:
            self.assertEqual(record["imageVersion"], "1.0.12")
            self.assertRegex(record["time"], r"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$")
        return records

    def test_a_killed_list_leaves_only_whole_lines_and_two_processes_share_a_file(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 7)]
        slow = {"responses": {"firmware": {"delay": 1}}}
        with testlib.start_fleet(devices, config=slow) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "record.jsonl")
            process = subprocess.Popen(
                [UPDATER, "--devices", list_file(directory, devices), "--jobs", "2",
                 "--wait-restart", "0", "--record", record],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                env=headless_env())
            try:
                fleet.wait_for_kind(devices[3], "firmware")  # two devices are done
            finally:
                process.kill()
                process.wait(timeout=30)
            with open(record, encoding="utf-8") as f:
                killed = len(f.read().splitlines())
            self.assertGreaterEqual(killed, 2)
            self.assertWholeRecords(record, killed)

            # Two runs at once append to the same file, each line whole.
            lists = [list_file(os.path.join(directory, name), part) for name, part in
                     (("a", devices[:3]), ("b", devices[3:]))]
            runs = [subprocess.Popen([UPDATER, "--devices", path, "--jobs", "3", "--yes",
                                      "--wait-restart", "0", "--record", record],
                                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL, env=headless_env())
                    for path in lists]
            self.assertEqual([run.wait(timeout=120) for run in runs], [0, 0])
            records = self.assertWholeRecords(record, killed + 6)
            self.assertEqual(sorted(r["address"] for r in records[killed:]), sorted(devices))
            self.assertEqual({r["result"] for r in records[killed:]}, {"uploaded"})

            code, out, err = run_updater("--history", record, devices[0])
            self.assertEqual(code, 0, err)
            table = out.splitlines()
            self.assertTrue(table[0].startswith("TIME (UTC)"), out)
            self.assertTrue(all(devices[0] in row for row in table[1:-1]), out)
            self.assertRegex(table[-2], r"1\.0\.9 -> -\s+uploaded\s+-$")
            self.assertTrue(table[-1].startswith("Total: "), out)
            code, out, err = run_updater("--history", record, "--json")
            self.assertEqual(len(json_lines(out)), killed + 6)


class Retry(unittest.TestCase):
    def test_a_register_that_refuses_its_first_upload_is_tried_again(self):
        net = random_subnet()
        refusing, answering, dropping = f"{net}.10", f"{net}.11", f"{net}.12"
        config = {"devices": {refusing: {"refuse_firmware_until_state": 2},
                              answering: {"responses": {"firmware": SERVER_ERROR}},
                              # Takes the whole image, then closes without an answer.
                              dropping: {"responses": {"firmware": {"action": "close"}}}}}
        with testlib.start_fleet([refusing, answering, dropping], config=config) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "record.jsonl")
            code, out, err = run_updater("--devices", "-", "--wait-restart", "0", "--json",
                                         "--retry", "2", "--retry-delay", "1", "--record", record,
                                         input=f"{refusing}\n{answering}\n{dropping}\n")
            self.assertEqual(code, 1, err)
            results = {o["address"]: (o["result"], o["tries"]) for o in json_lines(out)}
            self.assertEqual(results, {refusing: ("uploaded", 2), answering: ("failed", 1),
                                       dropping: ("failed", 1)})
            self.assertIn(f"{refusing}: trying again in 1 s (try 2 of 3)", err.splitlines())
            # The second try took the image; a register that answered, or that was sent the
            # image, is never tried again.
            self.assertEqual([firmware_count(fleet, a) for a in (refusing, answering, dropping)],
                             [1, 1, 1])
            with open(record) as f:
                tries = {r["address"]: r["tries"] for r in map(json.loads, f)}
            self.assertEqual(tries, {refusing: 2, answering: 1, dropping: 1})
            code, out, err = run_updater("--history", record, refusing)
            self.assertEqual(code, 0, err)
            self.assertRegex(out, r"uploaded .*2 tries")

    def test_a_signal_ends_the_wait_before_the_next_try(self):
        absent = f"{random_subnet()}.10"  # nothing listens: every connect is refused
        with tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "record.jsonl")
            process = subprocess.Popen(
                [UPDATER, "--headless", "--retry", "5", "--retry-delay", "600", "--record",
                 record, absent],
                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                text=True, env=headless_env(), start_new_session=True)
            try:
                lines = []
                for line in process.stderr:  # ends with the process, which a kill bounds
                    lines.append(line)
                    if "trying again in 600 s" in line:
                        process.send_signal(signal.SIGINT)
                        break
                out, err = process.communicate(timeout=20)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.communicate()
            self.assertEqual(process.returncode, -signal.SIGINT, "".join(lines) + err)
            self.assertNotIn("try 3", err)
            with open(record) as f:
                [line] = map(json.loads, f)
            self.assertEqual((line["result"], line["tries"]), ("failed", 1))

if __name__ == "__main__":
    unittest.main()
