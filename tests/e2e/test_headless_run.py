"""The real updater with no display at all (no X, no Wayland, no xvfb), against the device
simulator on the device's own ports: what it prints, what it asks, how it ends."""

import hashlib
import json
import os
import pty
import re
import select
import subprocess
import sys
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from test_unattended_update import CURRENT, FAILED, IMAGE, OK  # noqa: E402

UPDATER = os.environ.get("ZEDEZ_UPDATER", "")
RUN_TIMEOUT = 30.0
# A question that nobody can answer must not hold the run up.
DECLINE_TIMEOUT = 10.0
PROMPT_TIMEOUT = 15.0

QUESTION = "ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?"
REFUSED = "SocketError: Socket Error # 10061 Connection refused."


def no_display_env():
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY")}
    env["LC_ALL"] = "C.UTF-8"
    return env


def run(*args, timeout=RUN_TIMEOUT):
    """(exit code, stdout, stderr) of one run with no terminal; bounded by timeout."""
    if not UPDATER:
        raise RuntimeError("ZEDEZ_UPDATER names no executable")
    done = subprocess.run([UPDATER, *args], stdin=subprocess.DEVNULL, capture_output=True,
                          env=no_display_env(), timeout=timeout)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def run_on_terminal(address, answer):
    """Runs with standard input and error on a pseudo-terminal, types answer at the y/N
    prompt; returns (exit code, stdout, what the terminal showed)."""
    master, slave = pty.openpty()
    process = subprocess.Popen([UPDATER, address], stdin=slave, stdout=subprocess.PIPE,
                               stderr=slave, env=no_display_env())
    os.close(slave)
    shown = b""
    answered = False
    deadline = time.monotonic() + PROMPT_TIMEOUT
    try:
        while time.monotonic() < deadline:
            ready, _, _ = select.select([master], [], [], max(0.0, deadline - time.monotonic()))
            if not ready:
                continue
            try:
                chunk = os.read(master, 4096)
            except OSError:  # every writer has gone
                break
            if not chunk:
                break
            shown += chunk
            if not answered and b"[y/N]" in shown:
                os.write(master, answer)
                answered = True
        out, _ = process.communicate(timeout=RUN_TIMEOUT)
    finally:
        os.close(master)
        if process.poll() is None:
            process.kill()
            process.communicate()
    if not answered:
        raise AssertionError(f"no y/N prompt within {PROMPT_TIMEOUT}s; terminal: {shown!r}")
    return process.returncode, out.decode("utf-8"), shown.decode("utf-8", "replace")


def start_device(*options):
    return testlib.start_simulator(*options, http_port=80, firmware_port=8080)


def firmware_records(device):
    return [r for r in device.records() if r["kind"] == "firmware"]


class HeadlessRun(unittest.TestCase):
    def assert_one_image(self, device):
        uploads = firmware_records(device)
        self.assertEqual(len(uploads), 1)
        self.assertEqual(testlib.body_of(uploads[0]), IMAGE)

    def test_old_version_uploads_with_the_status_line_alone_on_stdout(self):
        with start_device("--version", "1.0.9") as device:
            code, out, err = run(device.address)
            self.assert_one_image(device)
        self.assertEqual((code, out, err), (0, OK + "\n", ""))

    def test_current_version_without_terminal_declines_at_once_and_the_options_answer(self):
        with start_device("--version", "1.0.12") as device:
            started = time.monotonic()
            code, out, err = run(device.address, timeout=DECLINE_TIMEOUT)
            self.assertLess(time.monotonic() - started, DECLINE_TIMEOUT)
            self.assertEqual((code, out), (0, CURRENT + "\n"))
            self.assertIn("no terminal", err)
            self.assertIn(QUESTION, err)
            self.assertEqual(firmware_records(device), [])

            code, out, err = run("--no", device.address)
            self.assertEqual((code, out, err), (0, CURRENT + "\n", ""))
            self.assertEqual(firmware_records(device), [])

            code, out, err = run("--yes", device.address)
            self.assertEqual((code, out, err), (0, OK + "\n", ""))
            self.assert_one_image(device)

    def test_terminal_answers_the_question_and_shows_the_progress(self):
        for answer, status, uploads in ((b"y\n", OK, 1), (b"n\n", CURRENT, 0)):
            with self.subTest(answer=answer), start_device("--version", "v1.0.12") as device:
                code, out, shown = run_on_terminal(device.address, answer)
                self.assertEqual((code, out), (0, status + "\n"))
                self.assertIn(QUESTION + " [y/N]", shown)
                self.assertEqual(len(firmware_records(device)), uploads)
                if uploads:
                    self.assertRegex(shown, rf"{len(IMAGE)} / {len(IMAGE)} bytes +100%")

    def test_version_that_is_no_number_ends_with_the_error_box_text_on_stderr(self):
        with start_device("--version", "V1.0.12") as device:
            code, out, err = run("--exit-status", device.address)
            self.assertEqual(firmware_records(device), [])
        self.assertEqual((code, out), (1, "\n"))
        self.assertIn("ConversionError: ''V1012'' is not a valid integer value.", err)

    def test_exit_codes_tell_the_outcome_only_with_exit_status(self):
        cases = (  # device options, updater options, exit code, a stderr line
            (["--version", "1.0.9"], [], 0, None),
            (["--version", "1.0.12"], ["--no"], 2, None),
            (["--status", "firmware=500"], [], 1, "upload failed: HttpProtocolError: HTTP/1.1 500"),
            (["--status", "firmware=403"], [], 1, "upload failed: HttpProtocolError: HTTP/1.1 403"),
            (["--version", "1.0.12"], ["--check"], 0, None),
            (["--version", "1.0.9"], ["--bogus"], 64, "Unknown option 'bogus'"),
        )
        for device_options, options, expected, line in cases:
            with self.subTest(device=device_options, options=options), \
                    start_device(*device_options) as device:
                for exit_status, wanted in ((["--exit-status"], expected), ([], 0)):
                    code, _, err = run(*exit_status, *options, device.address)
                    self.assertEqual(code, wanted)
                    if line:
                        self.assertIn(line, err)

    def test_json_object_field_by_field(self):
        with start_device("--version", "1.0.12") as device:
            code, out, err = run("--json", "--yes", device.address)
            self.assert_one_image(device)
        self.assertEqual((code, err), (0, ""))
        self.assertEqual(out.count("\n"), 1)
        outcome = json.loads(out)
        self.assertEqual(outcome["address"], device.address)
        self.assertEqual(outcome["versionText"], "1.0.12")
        self.assertEqual(outcome["version"], 1012)
        self.assertIs(outcome["asked"], True)
        self.assertEqual(outcome["result"], "uploaded")
        self.assertEqual(outcome["status"], OK)
        self.assertIsNone(outcome["error"])
        self.assertIsNone(outcome["stateError"])
        self.assertEqual(outcome["bytesSent"], len(IMAGE))
        self.assertGreater(outcome["seconds"], 0)
        self.assertLess(outcome["seconds"], RUN_TIMEOUT)

        with start_device("--version", "1.0.9", "--status", "firmware=403") as device:
            _, out, _ = run("--json", device.address)
        failed = json.loads(out)
        self.assertEqual((failed["result"], failed["status"], failed["asked"]),
                         ("failed", FAILED, False))
        self.assertEqual(failed["error"]["class"], "HttpProtocolError")
        self.assertTrue(failed["error"]["message"].startswith("HTTP/1.1 403"))

    def test_check_reads_the_version_and_uploads_nothing(self):
        with start_device("--version", "1.0.12") as device:
            code, out, _ = run("--check", "--json", device.address)
            self.assertEqual(firmware_records(device), [])
        outcome = json.loads(out)
        self.assertEqual((code, outcome["result"], outcome["version"], outcome["asked"]),
                         (0, "checked", 1012, True))

    def test_refused_address_names_10061_for_the_state_query_and_the_upload(self):
        code, out, err = run("--exit-status", testlib.pick_loopback_address())
        self.assertEqual((code, out), (1, FAILED + "\n"))
        self.assertEqual(err.splitlines(), ["state query failed: " + REFUSED,
                                            "upload failed: " + REFUSED])


class CommandLine(unittest.TestCase):
    def test_help_and_version_are_options_not_addresses(self):
        code, out, err = run("--help")
        self.assertEqual((code, err), (0, ""))
        for option in ("--headless", "--yes", "--no", "--check", "--json", "--exit-status"):
            self.assertIn(option, out)

        code, out, err = run("--version")
        self.assertEqual((code, err), (0, ""))
        lines = out.splitlines()
        self.assertEqual(lines[0], "zedez-updater 1.0.12")
        self.assertEqual(lines[1], "File version: 1.0.9.1")
        self.assertEqual(lines[2], f"Firmware image: ZEDEZ 1.0.12, SHA-256 {hashlib.sha256(IMAGE).hexdigest()},"
                                   f" {len(IMAGE)} bytes")
        self.assertRegex(lines[3], r"^Firmware parts: (placeholders, not a real firmware|vendor build)$")

    def test_interactive_start_without_display_says_so_and_ends(self):
        code, out, err = run()
        self.assertEqual((code, out), (0, ""))
        self.assertEqual(len(err.splitlines()), 1)
        self.assertRegex(err, r"needs a display.*ADDRESS")


if __name__ == "__main__":
    unittest.main()
