#!/usr/bin/env python3
"""Starts zedez-updater on the X display of xvfb-run and checks it as a user would.

Usage: window_on_x_display_test.py ZEDEZ-UPDATER ZEDEZ-X11-PROBE
The window must carry its caption and a 340 x 106 client area, the address field must hold
the default address, and closing the window must end the program with exit code 0; an
unattended run must end by itself with exit code 0.
"""
import os
import subprocess
import sys
import tempfile
import unittest

CAPTION = "Brenvo Tesmora Updater ZEDEZ 1.0.12"
BOUND = 20  # seconds for any single wait

UPDATER = ""
PROBE = ""


def run(*args: str) -> str:
    return subprocess.run(args, check=True, capture_output=True, text=True,
                          timeout=BOUND).stdout


class UpdaterOnDisplay:
    def __init__(self, *arguments: str) -> None:
        self.workdir = tempfile.TemporaryDirectory()
        self.process = subprocess.Popen([UPDATER, *arguments], cwd=self.workdir.name)
        found = run("xdotool", "search", "--sync", "--onlyvisible", "--name", CAPTION)
        self.window = found.split()[0]

    def geometry(self) -> tuple[int, int]:
        info = run("xwininfo", "-id", self.window)
        fields = dict(line.strip().split(": ", 1) for line in info.splitlines()
                      if line.strip().startswith(("Width:", "Height:")))
        return int(fields["Width"]), int(fields["Height"])

    def address_text(self) -> str:
        # Select the address field's text and copy it, then read the clipboard.
        run("xdotool", "mousemove", "--window", self.window, "89", "44", "click", "1")
        run("xdotool", "key", "--clearmodifiers", "ctrl+a", "ctrl+c")
        return run(PROBE, "clipboard").rstrip("\n")

    def close(self) -> int:
        run(PROBE, "close", self.window)
        return self.process.wait(timeout=BOUND)

    def stop(self) -> None:
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait(timeout=BOUND)
        self.workdir.cleanup()


class WindowOnXDisplay(unittest.TestCase):
    def start(self, *arguments: str) -> UpdaterOnDisplay:
        updater = UpdaterOnDisplay(*arguments)
        self.addCleanup(updater.stop)
        return updater

    def test_interactive_window_opens_and_closes_with_exit_code_0(self) -> None:
        updater = self.start()
        self.assertEqual(run("xdotool", "getwindowname", updater.window).rstrip("\n"), CAPTION)
        self.assertEqual(updater.geometry(), (340, 106))
        self.assertEqual(updater.address_text(), "10.77.82.80")
        shot = os.path.join(updater.workdir.name, "window.png")
        run(PROBE, "screenshot", updater.window, shot)
        with open(shot, "rb") as png:
            self.assertEqual(png.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertEqual(updater.close(), 0)

    def test_unattended_run_ends_by_itself_with_exit_code_0(self) -> None:
        # Nothing listens on this loopback address: the upload fails, the run still ends.
        with tempfile.TemporaryDirectory() as workdir:
            finished = subprocess.run([UPDATER, "127.77.82.80", "ignored"], cwd=workdir,
                                      capture_output=True, text=True, timeout=BOUND)
        self.assertEqual(finished.returncode, 0)
        self.assertEqual(finished.stdout.splitlines()[-1:],
                         ["Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !"])

if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    UPDATER, PROBE = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
