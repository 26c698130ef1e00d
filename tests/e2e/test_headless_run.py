"""The real updater with no display at all (no X, no Wayland, no xvfb), against the device
simulator on the device's own ports: what it prints, what it asks, how it ends."""

import hashlib
import json
import os
import pty
import random
import re
import select
import subprocess
import sys
import tempfile
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
REFUSED = "connection refused (Socket Error # 10061)"
TRY_HELP = "Try 'zedez-updater --help'."


def no_display_env(lang="C.UTF-8"):
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XAUTHORITY", "LANG",
                        "LANGUAGE", "LC_MESSAGES")}
    env["LC_ALL"] = lang
    return env


def run(*args, timeout=RUN_TIMEOUT, input=None, lang="C.UTF-8"):
    """(exit code, stdout, stderr) of one run with no terminal; bounded by timeout."""
    if not UPDATER:
        raise RuntimeError("ZEDEZ_UPDATER names no executable")
    # A session of its own: no controlling terminal, where a piped run would ask.
    done = subprocess.run([UPDATER, *args], input=input,
                          stdin=subprocess.DEVNULL if input is None else None,
                          capture_output=True, env=no_display_env(lang), timeout=timeout,
                          start_new_session=True)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8")


def run_on_terminal(*args, answer=b"", prompt=b"[y/N]", before_answer=(), lang="C.UTF-8",
                    stdout_on_terminal=False, confirm=None):
    """Runs with standard input and error (and with stdout_on_terminal, output) on a
    pseudo-terminal; once the terminal shows prompt and every text of before_answer, types
    answer. With confirm, types it first at a list's plan ("[Y/n]"). Returns (exit code,
    stdout, what the terminal showed)."""
    master, slave = pty.openpty()
    process = subprocess.Popen([UPDATER, *args], stdin=slave,
                               stdout=slave if stdout_on_terminal else subprocess.PIPE,
                               stderr=slave, env=no_display_env(lang))
    os.close(slave)
    shown = b""
    answered = not answer
    deadline = time.monotonic() + PROMPT_TIMEOUT + RUN_TIMEOUT
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
            if confirm is not None and b"[Y/n]" in shown:
                os.write(master, confirm)
                confirm = None
            if not answered and prompt in shown and all(t.encode() in shown for t in before_answer):
                os.write(master, answer)
                answered = True
        out, _ = process.communicate(timeout=RUN_TIMEOUT)
    finally:
        os.close(master)
        if process.poll() is None:
            process.kill()
            process.communicate()
    text = shown.decode("utf-8", "replace")
    if not answered:
        raise AssertionError(f"no {prompt!r} with {before_answer} in time; terminal: {text!r}")
    return process.returncode, (out or b"").decode("utf-8"), text


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
                code, out, shown = run_on_terminal(device.address, answer=answer)
                self.assertEqual((code, out), (0, status + "\n"))
                self.assertIn(f"{device.address}: {QUESTION} (installed v1.0.12, this image 1.0.12)"
                              " [y/N]", shown)
                self.assertEqual(len(firmware_records(device)), uploads)
                if uploads:
                    self.assertRegex(shown, rf"{len(IMAGE)} / {len(IMAGE)} bytes +100%")

    def test_version_that_is_no_number_ends_with_the_error_box_text_on_stderr(self):
        with start_device("--version", "V1.0.12") as device:
            code, out, err = run("--exit-status", device.address)
            self.assertEqual(firmware_records(device), [])
        # The register's own text, quoted: never an empty status line.
        self.assertEqual((code, out), (1, 'the version cannot be read: "V1.0.12"; nothing was sent\n'))

    def test_exit_codes_tell_the_outcome_only_with_exit_status(self):
        cases = (  # device options, updater options, exit code, a stderr line
            (["--version", "1.0.9"], [], 0, None),
            (["--version", "1.0.12"], ["--no"], 2, None),
            (["--status", "firmware=500"], [], 1, ":8080: HTTP 500 Internal Server Error"),
            (["--status", "firmware=403"], [], 1, ":8080: HTTP 403 Forbidden"),
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

        # The library's CR LF never reaches a JSON line; the system's words come along.
        _, out, _ = run("--json", testlib.pick_loopback_address())
        refused = json.loads(out)["stateError"]
        self.assertEqual((refused["message"], refused["detail"]),
                         ("Socket Error # 10061 Connection refused.", None))

    def test_check_reads_the_version_and_uploads_nothing(self):
        with start_device("--version", "1.0.12") as device:
            code, out, _ = run("--check", "--json", device.address)
            self.assertEqual(firmware_records(device), [])
        outcome = json.loads(out)
        self.assertEqual((code, outcome["result"], outcome["version"], outcome["asked"]),
                         (0, "checked", 1012, True))

        # A failed check tells why on its one line, and its exit code without being asked.
        address = testlib.pick_loopback_address()
        code, out, err = run("--check", address)
        cause = f"state query to {address}:80: {REFUSED}"
        self.assertEqual((code, out, err), (1, f"check failed: {cause}\n", cause + "\n"))

    def test_causes_name_the_request_where_it_went_and_why(self):
        address = testlib.pick_loopback_address()
        code, out, err = run("--exit-status", address)
        self.assertEqual((code, out), (1, FAILED + "\n"))
        self.assertEqual(err.splitlines(), [f"state query to {address}:80: {REFUSED}",
                                            f"upload to {address}:8080: {REFUSED}"])
        with start_device("--status", "firmware=403", "--body",
                          "firmware=token rejected\r\n\x1b[2Jmore") as device:
            _, _, err = run(device.address)
        self.assertEqual(err, f"upload to {device.address}:8080: HTTP 403 Forbidden: "
                              "token rejected\n")

    def test_verbose_writes_each_step_with_its_time(self):
        with start_device("--version", "1.0.9") as device:
            code, out, err = run("--verbose", device.address)
        self.assertEqual((code, out), (0, OK + "\n"))
        steps = [re.sub(r"^\d+\.\d{3} s  ", "", line) for line in err.splitlines()]
        state, upload = f"{device.address}: state query to {device.address}:80: ", \
            f"{device.address}: upload to {device.address}:8080: "
        for step in (state + "GET /api/state (at most 20 s)", state + "connected",
                     upload + f"{len(IMAGE)} of {len(IMAGE)} bytes sent",
                     upload + "waiting for the answer (at most 300 s)",
                     upload + "answer HTTP/1.1 200 OK"):
            self.assertIn(step, steps)
        self.assertTrue(all(re.match(r"^\d+\.\d{3} s  ", line) for line in err.splitlines()), err)


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
        self.assertEqual((code, out), (64, ""))
        self.assertRegex(err, r"^zedez-updater: no device address, and the window needs a display"
                              r".*ADDRESS\nTry 'zedez-updater --help'\.\n$")

    def test_wrong_command_lines_exit_64_without_being_asked_and_send_nothing(self):
        with start_device("--version", "1.0.9") as device, \
                tempfile.TemporaryDirectory() as directory:
            cases = (  # arguments, what the message says
                (["--chek", device.address], "Unknown option 'chek'."),
                (["--devices", "-", "--jobs", "0"], "--jobs needs a number from 1 to 64"),
                (["--scan", "127.0.0.0/33"], "127.0.0.0/33"),
                (["--devices", os.path.join(directory, "nie.txt")],
                 "cannot read the device list " + os.path.join(directory, "nie.txt")
                 + ": No such file or directory"),
                (["--yes", device.address + ":80"], f'"{device.address}:80" is no device address'),
                (["--headless", "http://" + device.address], "is no device address"),
                ([device.address, "127.0.0.9"], 'a second address "127.0.0.9"'),
                (["--check", "--wait-restart", "5", device.address], "--wait-restart does nothing"),
                (["--jobs", "2", device.address], "--jobs needs a list of devices"),
                (["--record", "r.jsonl", "--history", "r.jsonl"], "--history only reads"),
                (["--headless"], "--headless needs a device address"),
            )
            for args, message in cases:
                with self.subTest(args=args):
                    code, out, err = run(*args)
                    self.assertEqual((code, out), (64, ""))
                    lines = err.splitlines()
                    self.assertEqual(len(lines), 2, err)
                    self.assertTrue(lines[0].startswith("zedez-updater: "), err)
                    self.assertIn(message, lines[0])
                    self.assertEqual(lines[1], TRY_HELP)
            self.assertEqual(firmware_records(device), [])
            self.assertEqual(device.records(), [])

        # An empty list is nothing to do, not a wrong command line.
        code, out, err = run("--devices", "-", input=b"# nothing found\n")
        self.assertEqual((code, out, err),
                         (3, "", "zedez-updater: the device list names no device: nothing to do\n"))


class Terminal(unittest.TestCase):
    """What a technician sees at a terminal, driven through a pseudo-terminal."""

    def test_a_question_holds_up_only_its_own_device_and_a_duplicate_runs_once(self):
        net = f"127.{random.randint(100, 254)}.{random.randint(1, 254)}"
        current, *old = (f"{net}.{n}" for n in range(1, 5))
        config = {"devices": {current: {"version": "v1.0.12"}}}
        with testlib.start_fleet([current, *old], config=config) as fleet, \
                tempfile.NamedTemporaryFile("w", suffix=".txt") as listed:
            listed.write("\n".join([current, old[0], old[0], *old[1:]]) + "\n")
            listed.flush()
            # The answer comes only once every other device has printed its line.
            code, _, shown = run_on_terminal(
                "--devices", listed.name, "--jobs", "2", "--wait-restart", "0", answer=b"n\n",
                before_answer=[f"{a}: {OK}" for a in old], stdout_on_terminal=True,
                confirm=b"\n")
            self.assertEqual([len([r for r in fleet.records(a) if r.get("kind") == "firmware"])
                              for a in (current, *old)], [0, 1, 1, 1])
        self.assertEqual(code, 0, shown)
        prompt = f"{current}: {QUESTION} (installed v1.0.12, this image 1.0.12) [y/N]"
        self.assertIn(prompt, shown)
        self.assertIn(f"zedez-updater: {old[0]} is listed 2 times; it runs once", shown)
        self.assertIn(f"{current}: {CURRENT}", shown)
        self.assertIn("4 devices: 3 uploaded, 0 failed, 1 declined", shown)
        self.assertIn("4 registers: 3 to update, 1 current (ask)", shown)

    def test_every_wait_says_what_it_waits_for_and_lines_keep_their_order(self):
        address = testlib.pick_loopback_address()
        config = {"devices": {address: {"restart": {"seconds": 1, "version_after": "1.0.12"}}}}
        with testlib.start_fleet([address], config=config):
            code, _, shown = run_on_terminal("--wait-restart", "20", address,
                                             stdout_on_terminal=True)
        self.assertEqual(code, 0, shown)
        for wait in (f"waiting for the state of {address}:80 (at most 20 s)",
                     f"image sent; waiting for the answer of {address}:8080 (at most 300 s)",
                     "waiting for the register to come back (at most 20 s)"):
            self.assertIn(wait, shown)
        # The status line comes once the outcome is final, after the register is back.
        self.assertLess(shown.index("back after"), shown.index(OK), shown)

    def test_slovak_under_a_slovak_locale(self):
        sk = "sk_SK.UTF-8"
        with start_device("--version", "v1.0.12") as device:
            code, out, shown = run_on_terminal(device.address, answer=b"a\n", prompt=b"[a/N]",
                                               lang=sk)
            self.assert_uploads(device, 1)
        self.assertEqual((code, out), (0, OK + "\n"))
        self.assertIn(f"{QUESTION} (nainštalovaná v1.0.12, tento obraz 1.0.12) [a/N]", shown)
        self.assertIn(f"čakám na stav od {device.address}:80 (najviac 20 s)", shown)
        self.assertIn(f"obraz odoslaný; čakám na odpoveď od {device.address}:8080", shown)

        address = testlib.pick_loopback_address()
        _, _, err = run("--check", address, lang=sk)
        self.assertEqual(err, f"dopyt na stav na {address}:80: spojenie odmietnuté "
                              "(Socket Error # 10061)\n")
        code, _, err = run("--chek", lang=sk)
        self.assertEqual((code, err), (64, "zedez-updater: Neznáma voľba 'chek'.\n"
                                           "Skúste 'zedez-updater --help'.\n"))

    def assert_uploads(self, device, count):
        self.assertEqual(len(firmware_records(device)), count)


if __name__ == "__main__":
    unittest.main()
