"""Runs the real zedez-updater executable on the test's X display and answers its dialogs
the way a person would (with xdotool)."""

import os
import subprocess

UPDATER = os.environ.get("ZEDEZ_UPDATER", "")
PROCESS_TIMEOUT = 150.0
WINDOW_TIMEOUT = 30.0


class Updater:
    """One run of the updater; stdout is collected, the exit code awaited with a bound."""

    def __init__(self, *args, cwd=None):
        if not UPDATER:
            raise RuntimeError("ZEDEZ_UPDATER names no executable")
        self.process = subprocess.Popen([UPDATER, *args], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, cwd=cwd)

    def wait(self, timeout=PROCESS_TIMEOUT):
        """Exit code, standard output; kills the process when it does not end in time."""
        try:
            out, err = self.process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            out, err = self.process.communicate()
            raise AssertionError(f"updater did not end within {timeout}s; stderr: {err}")
        self.stderr = err
        return self.process.returncode, out

    def running(self):
        return self.process.poll() is None

    def close(self):
        if self.running():
            self.process.kill()
            self.process.communicate()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def xdotool(*args, timeout=WINDOW_TIMEOUT):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=timeout)


def find_window(name, timeout=WINDOW_TIMEOUT):
    """Window id of a visible window whose title is exactly name. xdotool waits for it;
    the subprocess limit bounds that wait."""
    try:
        found = xdotool("search", "--sync", "--onlyvisible", "--name", f"^{name}$",
                        timeout=timeout).stdout.split()
    except subprocess.TimeoutExpired:
        raise AssertionError(f"no window titled {name!r} within {timeout}s") from None
    return found[0]


def answer_dialog(key, title="Error", timeout=WINDOW_TIMEOUT):
    """Focuses the dialog titled title and presses key (Return for OK, Escape for Cancel)."""
    window = find_window(title, timeout=timeout)
    xdotool("windowfocus", "--sync", window)
    xdotool("key", "--clearmodifiers", key)
    return window


def close_window(window):
    """Closes a window through its close box, as the window manager would ask."""
    xdotool("windowclose", window)
