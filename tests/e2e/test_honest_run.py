"""The updater without a display tells what happened, to the end: no register is downgraded
without consent, a failure is never printed as success, a record that cannot be written stops
the run before anything is sent, and a closed output or a signal leaves every record.
Simulated devices listen on ports 80 and 8080 of loopback addresses (root)."""

import fcntl
import json
import os
import select
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

FAILED = "Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !"
EXIT_CANNOT_CREATE = 73
SLOW_UPLOAD = {"responses": {"firmware": {"delay": 2}}}


def list_file(directory, addresses):
    path = os.path.join(directory, "devices.txt")
    with open(path, "w") as f:
        f.write("\n".join(addresses) + "\n")
    return path


def start(*args):
    return subprocess.Popen([UPDATER, *args], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, env=headless_env())


def finish(process, timeout=60):
    try:
        return process.communicate(timeout=timeout)
    finally:
        if process.poll() is None:
            process.kill()
            process.communicate()


def read_error_until(process, wanted, timeout=30):
    """Standard error as it comes, until it holds wanted or the time is up."""
    got, deadline = b"", time.monotonic() + timeout
    while wanted not in got and time.monotonic() < deadline:
        ready, _, _ = select.select([process.stderr], [], [], deadline - time.monotonic())
        piece = os.read(process.stderr.fileno(), 4096) if ready else b""
        if not piece:
            break
        got += piece
    return got


def record_lines(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if text:
        assert text.endswith("\n"), text[-200:]
    return [json.loads(line) for line in text.splitlines()]


class VersionRule(unittest.TestCase):
    def test_a_newer_register_is_installed_only_with_allow_older(self):
        net = random_subnet()
        newer, major, older, unreadable = (f"{net}.{n}" for n in range(1, 5))
        config = {"devices": {newer: {"version": "1.1"}, major: {"version": "2.0.0"},
                              older: {"version": "1.0.10"}, unreadable: {"version": "V1.0.12"}}}
        with testlib.start_fleet([newer, major, older, unreadable], config=config) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            listed = list_file(directory, [newer, major, older, unreadable])
            # Without a terminal, with --no, and with --yes alone: declined, and the cause says
            # what would allow it.
            for options in ([], ["--no"], ["--yes"], ["--allow-older"]):
                with self.subTest(options=options):
                    code, out, err = run_updater("--devices", listed, "--json", *options,
                                                 "--wait-restart", "0")
                    results = {o["address"]: o for o in json_lines(out)}
                    expected = "uploaded" if options == ["--allow-older"] else "declined"
                    self.assertEqual([results[a]["result"] for a in (newer, major)],
                                     [expected] * 2, err)
                    self.assertEqual(results[newer]["verdict"], "newer")
                    if expected == "declined":
                        self.assertIn("--allow-older", err)
                    # 1.0.10 is older than 1.0.12: no question.
                    self.assertEqual((results[older]["result"], results[older]["asked"]),
                                     ("uploaded", False))
                    self.assertEqual((results[unreadable]["result"],
                                      results[unreadable]["verdict"]), ("failed", "unreadable"))
                    self.assertIn('"V1.0.12"', results[unreadable]["status"])
            self.assertEqual([firmware_count(fleet, a) for a in (newer, major, older, unreadable)],
                             [1, 1, 4, 0])

            # The plain line of an unreadable version quotes it.
            code, out, err = run_updater(unreadable, "--exit-status")
            self.assertEqual(code, 1, err)
            self.assertIn('"V1.0.12"', out.strip())


class HonestLine(unittest.TestCase):
    def test_a_failure_is_named_on_the_line_and_only_a_2xx_is_an_upload(self):
        net = random_subnet()
        stale, switching = f"{net}.1", f"{net}.2"
        config = {"devices": {stale: {"restart": {"seconds": 1, "version_after": "1.0.9"}},
                              switching: {"responses": {"firmware": {"status": 101}}}}}
        with testlib.start_fleet([stale, switching], config=config):
            code, out, err = run_updater(stale, "--wait-restart", "20", "--exit-status")
            self.assertEqual((code, out), (1, "failed: came back on 1.0.9, not 1.0.12\n"), err)
            code, out, err = run_updater(stale, "--wait-restart", "20", "--json")
            [outcome] = json_lines(out)
            self.assertEqual((outcome["result"], outcome["message"]),
                             ("failed", "failed: came back on 1.0.9, not 1.0.12"))

            code, out, err = run_updater(switching, "--exit-status", "--json")
            [outcome] = json_lines(out)
            self.assertEqual((code, outcome["result"], outcome["status"]), (1, "failed", FAILED),
                             err)


class RecordFile(unittest.TestCase):
    def test_a_record_that_cannot_be_written_is_refused_before_any_request(self):
        device = f"{random_subnet()}.1"
        with testlib.start_fleet([device]) as fleet, tempfile.TemporaryDirectory() as directory:
            fifo = os.path.join(directory, "fifo")
            os.mkfifo(fifo)
            locked = os.path.join(directory, "locked.jsonl")
            with open(locked, "w") as holder:
                fcntl.flock(holder, fcntl.LOCK_EX)
                for record in (os.path.join(directory, "missing", "record.jsonl"), directory,
                               fifo, locked):
                    with self.subTest(record=record):
                        started = time.monotonic()
                        code, out, err = run_updater(device, "--record", record, timeout=40)
                        self.assertEqual((code, out), (EXIT_CANNOT_CREATE, ""), err)
                        self.assertIn(record, err)
                        self.assertLess(time.monotonic() - started, 20)
            self.assertEqual(fleet.records(device), [])


class SignalsAndPipes(unittest.TestCase):
    def test_a_closed_output_stops_the_run_and_every_device_keeps_its_record(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 5)]
        with testlib.start_fleet(devices, config=SLOW_UPLOAD) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "record.jsonl")
            process = start("--devices", list_file(directory, devices), "--jobs", "2",
                            "--wait-restart", "0", "--record", record)
            try:
                first = process.stdout.readline()  # as `| head -n 1` does
                process.stdout.close()
                err = process.stderr.read()
                process.wait(timeout=60)
            finally:
                if process.poll() is None:
                    process.kill()
                    process.wait()
            self.assertTrue(first)
            self.assertEqual(process.returncode, -signal.SIGPIPE, err)
            lines = record_lines(record)
            self.assertEqual(sorted(r["address"] for r in lines), devices, lines)
            # One that had started but not yet sent when the output closed sends nothing.
            self.assertLessEqual({r["result"] for r in lines},
                                 {"uploaded", "not-started", "interrupted"},
                                 [(r["address"], r["result"], r.get("cause")) for r in lines])
            for line in lines:
                if line["result"] == "interrupted":
                    self.assertIn("before the image was sent", line["cause"]["message"])
                    self.assertEqual(firmware_count(fleet, line["address"]), 0)
            self.assertIn("4 devices:", err)

    def test_a_repeated_signal_is_one_and_the_running_uploads_finish(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 4)]
        with testlib.start_fleet(devices, config=SLOW_UPLOAD) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            process = start("--devices", list_file(directory, devices), "--jobs", "2",
                            "--json", "--wait-restart", "0")
            fleet.wait_for_kind(devices[0], "firmware")
            fleet.wait_for_kind(devices[1], "firmware")
            # As timeout(1) sends it: to the process, then to its group.
            process.send_signal(signal.SIGTERM)
            time.sleep(0.05)
            process.send_signal(signal.SIGTERM)
            out, err = finish(process)
            self.assertEqual(process.returncode, -signal.SIGTERM, err)
            self.assertEqual({o["address"]: o["result"] for o in json_lines(out)},
                             {devices[0]: "uploaded", devices[1]: "uploaded",
                              devices[2]: "not-started"})
            self.assertNotIn("cut off", err)

    def test_registers_waiting_for_their_restart_hold_no_job_and_a_signal_ends_the_waits(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 3)]
        with testlib.start_fleet(devices, config={"restart": {"seconds": 60}}) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            process = start("--devices", list_file(directory, devices), "--jobs", "1",
                            "--json", "--wait-restart", "120")
            # With one job, the second upload goes ahead while the first register restarts.
            for address in devices:
                fleet.wait_for_kind(address, "restart")
            process.send_signal(signal.SIGTERM)
            out, err = finish(process, timeout=15)
            self.assertEqual(process.returncode, -signal.SIGTERM, err)
            # Uploaded, but no one saw them come back: interrupted, unverified.
            self.assertEqual({o["address"]: (o["result"], o["verification"])
                              for o in json_lines(out)},
                             {address: ("interrupted", "not-back") for address in devices})
            self.assertNotIn("not back within", err)

    def test_a_second_signal_leaves_one_line_for_every_device(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 4)]
        unanswered = {"responses": {"firmware": {"delay": 60}}}
        with testlib.start_fleet(devices, config=unanswered) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            record = os.path.join(directory, "record.jsonl")
            process = start("--devices", list_file(directory, devices), "--jobs", "2",
                            "--wait-restart", "0", "--record", record)
            fleet.wait_for_kind(devices[0], "firmware")
            fleet.wait_for_kind(devices[1], "firmware")
            process.send_signal(signal.SIGTERM)
            self.assertIn(b"the running ones finish", read_error_until(process, b"finish"))
            time.sleep(0.6)  # past the moment in which a repeat counts as the same signal
            process.send_signal(signal.SIGTERM)
            _, err = finish(process)
            self.assertEqual(process.returncode, -signal.SIGTERM, err)
            lines = record_lines(record)
        self.assertEqual(sorted(r["address"] for r in lines), devices, lines)
        results = {r["address"]: (r["result"], (r.get("cause") or {}).get("message", ""))
                   for r in lines}
        self.assertEqual(results[devices[2]], ("not-started", ""))
        for address in devices[:2]:
            result, cause = results[address]
            # The image was all on the connection; the line says so, not "before it was sent".
            self.assertEqual(result, "interrupted")
            self.assertIn("after the whole image was sent", cause)

    def test_a_signal_answers_an_open_question_no_and_the_run_ends_by_it(self):
        device = f"{random_subnet()}.1"
        with testlib.start_fleet([device], config={"version": "1.0.12"}) as fleet:
            leader, terminal = os.openpty()
            process = subprocess.Popen([UPDATER, device, "--json"], stdin=terminal,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                       env=headless_env())
            os.close(terminal)
            try:
                asked = b""
                while b"[y/N]" not in asked:  # the question is on the terminal
                    piece = process.stderr.read1(4096)
                    self.assertTrue(piece, asked)
                    asked += piece
                process.send_signal(signal.SIGINT)
                out, err = process.communicate(timeout=30)
                os.write(leader, b"y\n")  # an answer after the signal starts nothing
            finally:
                os.close(leader)
                if process.poll() is None:
                    process.kill()
                    process.communicate()
            self.assertEqual(process.returncode, -signal.SIGINT, err)
            [outcome] = json_lines(out.decode())
            self.assertEqual(outcome["result"], "declined")
            self.assertEqual(firmware_count(fleet, device), 0)


if __name__ == "__main__":
    unittest.main()
