"""The real updater, started with a device address, against the device simulator on the
device's own ports: what it asks, what the device receives, how the run ends."""

import hashlib
import os
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from updater import Updater, answer_dialog, find_window  # noqa: E402

TOKEN = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1"
OK = "OK. ORP sa reštartuje, a o chvíľu bude pripravená."
FAILED = "Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !"
CURRENT = "ZEDEZ v ORP je už aktuálne."
APPLICATION_TITLE = "Brenvo Tesmora Update ZEDEZ 1.0.12"
WINDOW_TITLE = "Brenvo Tesmora Updater ZEDEZ 1.0.12"


def image_bytes():
    resources = os.path.join(ROOT, "app", "resources")
    with open(os.path.join(resources, "resource_1.bin"), "rb") as f:
        part1 = f.read()
    with open(os.path.join(resources, "resource_2.bin"), "rb") as f:
        part2 = f.read()
    return b"MZ" + part1[2:] + b"Rar!" + part2


IMAGE = image_bytes()


def expected_upload_head(address):
    return (f"POST /firmware?token={TOKEN} HTTP/1.0\r\n"
            "Connection: keep-alive\r\n"
            f"Content-Length: {len(IMAGE)}\r\n"
            f"Host: {address}:8080\r\n"
            "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n"
            "\r\n").encode("ascii")


def start_device(*options, config=None):
    return testlib.start_simulator(*options, http_port=80, firmware_port=8080, config=config)


def last_line(output):
    lines = output.splitlines()
    return lines[-1] if lines else ""


class UnattendedUpdate(unittest.TestCase):
    def run_update(self, *options, answer=None, config=None):
        """Runs the updater against a fresh simulator; returns (exit code, last stdout line,
        firmware records)."""
        with start_device(*options, config=config) as device:
            with Updater(device.address) as updater:
                if answer is not None:
                    answer_dialog(answer)
                code, out = updater.wait()
            uploads = [r for r in device.records() if r["kind"] == "firmware"]
        return code, last_line(out), uploads, device.address

    def assert_uploaded(self, uploads, address):
        self.assertEqual(len(uploads), 1)
        self.assertEqual(testlib.head_of(uploads[0]), expected_upload_head(address))
        body = testlib.body_of(uploads[0])
        self.assertEqual(len(body), 886008)
        self.assertEqual(hashlib.sha256(body).hexdigest(), hashlib.sha256(IMAGE).hexdigest())
        self.assertTrue(uploads[0]["token_ok"])

    def test_old_version_uploads_without_a_question_and_ends_by_itself(self):
        code, status, uploads, address = self.run_update("--version", "1.0.9")
        self.assertEqual(code, 0)
        self.assertEqual(status, OK)
        self.assert_uploaded(uploads, address)

    def test_versions_at_or_below_the_threshold_and_missing_versions_upload_at_once(self):
        for options in (["--version", "1.0.09"], ["--no-globals"], ["--no-version"]):
            with self.subTest(options=options):
                code, status, uploads, address = self.run_update(*options)
                self.assertEqual((code, status), (0, OK))
                self.assert_uploaded(uploads, address)

    def test_current_version_asks_and_ok_uploads(self):
        # A bare 1009 is not above the threshold, but as a dotted version it is newer than
        # the image's, and a downgrade is never silent.
        for options in (["--version", "v1.0.12"], ["--version", "1.0.10"],
                        ["--version-number", "1009"]):
            with self.subTest(options=options):
                code, status, uploads, address = self.run_update(*options, answer="Return")
                self.assertEqual((code, status), (0, OK))
                self.assert_uploaded(uploads, address)

    def test_current_version_cancel_ends_without_upload(self):
        # A byte-order mark in front of the state document does not hide the version.
        for options in (["--version", "v1.0.12"], ["--version", "1.0.12", "--byte-order-mark"]):
            with self.subTest(options=options):
                code, status, uploads, _ = self.run_update(*options, answer="Escape")
                self.assertEqual((code, status), (0, CURRENT))
                self.assertEqual(uploads, [])

    def test_yes_answers_the_question_without_showing_it(self):
        with start_device("--version", "v1.0.12") as device:
            with Updater("--yes", "--exit-status", device.address) as updater:
                code, out = updater.wait(timeout=30)
            uploads = [r for r in device.records() if r["kind"] == "firmware"]
        self.assertEqual((code, last_line(out)), (0, OK))
        self.assert_uploaded(uploads, device.address)

    def test_yes_is_no_consent_to_install_over_a_newer_version(self):
        # Newer by its dotted number, below and above the window's threshold alike: only
        # --allow-older installs the older image.
        for version in ("1.1", "1.0.13"):
            for options, posts in ((["--yes"], 0), (["--yes", "--allow-older"], 1)):
                with self.subTest(version=version, options=options), \
                        start_device("--version", version) as device:
                    with Updater(*options, "--exit-status", device.address) as updater:
                        code, out = updater.wait(timeout=30)
                    uploads = [r for r in device.records() if r["kind"] == "firmware"]
                    self.assertEqual(len(uploads), posts)
                    if posts:
                        self.assertEqual((code, last_line(out)), (0, OK))
                    else:
                        self.assertEqual((code, last_line(out)), (2, CURRENT))
                        self.assertIn(f"newer than this image's 1.0.12: an older version is "
                                      f"installed only with --allow-older", updater.stderr)

    def test_error_status_from_the_firmware_endpoint_is_a_failed_upload(self):
        code, status, uploads, _ = self.run_update("--status", "firmware=500")
        self.assertEqual((code, status), (0, FAILED))
        self.assertEqual(len(uploads), 1)

    def test_version_that_is_no_number_shows_the_error_and_leaves_the_window_open(self):
        with start_device("--version", "V1.0.12") as device:
            with Updater(device.address) as updater:
                answer_dialog("Return", title=APPLICATION_TITLE)
                find_window(WINDOW_TITLE)
                self.assertTrue(updater.running())
            uploads = [r for r in device.records() if r["kind"] == "firmware"]
        self.assertEqual(uploads, [])


class UnreachableDevice(unittest.TestCase):
    def test_device_that_drops_connections_fails_after_the_connect_limits(self):
        address = testlib.pick_loopback_address()
        with testlib.start_full_listener(address=address, port=80), \
                testlib.start_full_listener(address=address, port=8080):
            with Updater(address) as updater:
                code, out = updater.wait(timeout=120)
        self.assertEqual((code, last_line(out)), (0, FAILED))


if __name__ == "__main__":
    unittest.main()
