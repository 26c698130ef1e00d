"""The real updater at a technician's terminal over many registers, without a display: the plan
and its one confirmation, questions through /dev/tty at the end of a pipe, short options, a
checked list's counts and exit code. Simulated devices on ports 80 and 8080 (root)."""

import fcntl
import os
import pty
import re
import select
import struct
import subprocess
import sys
import termios
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from fleet_support import (UPDATER, firmware_count, headless_env, json_lines,  # noqa: E402
                           random_subnet, run_updater)

TERMINAL_TIMEOUT = 60.0


def own_terminal():
    """In the child: a session of its own whose controlling terminal is its stderr (a pty)."""
    os.setsid()
    fcntl.ioctl(2, termios.TIOCSCTTY, 0)


def transcript(stream):
    """The rows a terminal keeps, scrollback included, after stream: printable text, CR, LF,
    erase to the end of the row (ESC [K) and one row up (ESC [1A), as the updater writes."""
    rows, row, column = [""], 0, 0
    for token in re.findall(r"\x1b\[1A|\x1b\[K|\r|\n|[^\x1b\r\n]+", stream):
        if token == "\r":
            column = 0
        elif token == "\n":
            row += 1
            column = 0
            if row == len(rows):
                rows.append("")
        elif token == "\x1b[K":
            rows[row] = rows[row][:column]
        elif token == "\x1b[1A":
            row = max(row - 1, 0)
        else:
            line = rows[row].ljust(column)
            rows[row] = line[:column] + token + line[column + len(token):]
            column += len(token)
    while rows and not rows[-1]:
        rows.pop()
    return rows


def converse(args, stdin_text, answers, columns=80, stdout_on_terminal=False):
    """Runs with stdin a pipe carrying stdin_text, stdout a pipe, stderr on a pseudo-terminal
    that is the controlling terminal; answers is a list of (prompt, reply): each reply is typed
    once the terminal has shown its prompt again. Returns (exit code, stdout, terminal)."""
    master, slave = pty.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", 24, columns, 0, 0))
    process = subprocess.Popen([UPDATER, *args], stdin=subprocess.PIPE,
                               stdout=slave if stdout_on_terminal else subprocess.PIPE,
                               stderr=slave, env=headless_env(), preexec_fn=own_terminal)
    os.close(slave)
    process.stdin.write(stdin_text.encode())
    process.stdin.close()
    process.stdin = None  # communicate() has nothing more to send
    shown = b""
    pending = list(answers)
    seen = {}
    deadline = time.monotonic() + TERMINAL_TIMEOUT
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
            if pending:
                prompt, reply = pending[0]
                if shown.count(prompt) > seen.get(prompt, 0):
                    seen[prompt] = shown.count(prompt)
                    os.write(master, reply)
                    pending.pop(0)
        out, _ = process.communicate(timeout=TERMINAL_TIMEOUT)
    except subprocess.TimeoutExpired:
        process.kill()
        out, _ = process.communicate()
        raise AssertionError(f"no end in time; terminal: {shown!r}") from None
    finally:
        os.close(master)
    text = shown.decode("utf-8", "replace")
    if pending:
        raise AssertionError(f"no {pending[0][0]!r} in time; terminal: {text!r}")
    return process.returncode, (out or b"").decode(), text


class PlanAndQuestions(unittest.TestCase):
    def test_a_piped_list_shows_its_plan_and_asks_at_the_terminal(self):
        net = random_subnet()
        old, current, newer, absent = (f"{net}.{n}" for n in range(1, 5))
        config = {"devices": {current: {"version": "1.0.12"}, newer: {"version": "1.0.13"}}}
        listed = "\n".join([old, current, newer, absent]) + "\n"
        with testlib.start_fleet([old, current, newer], config=config) as fleet:
            # Declined at the plan: nothing is sent, and the run says so.
            code, out, shown = converse(["--devices", "-", "--wait-restart", "0"], listed,
                                        [(b"[Y/n]", b"n\n")])
            self.assertEqual((code, out), (2, ""), shown)
            self.assertIn("4 registers: 1 to update, 1 current (ask), 1 newer (ask), "
                          "0 unreadable, 1 not answering", shown)
            self.assertIn(f"not answering: {absent}", shown)
            self.assertIn("declined: no register was changed", shown)
            self.assertEqual([firmware_count(fleet, a) for a in (old, current, newer)], [0, 0, 0])

            # Accepted with Enter; the current register's own question comes through
            # /dev/tty as well, although stdin is the pipe.
            code, out, shown = converse(["--devices", "-", "--wait-restart", "0"],
                                        f"{old}\n{current}\n{absent}\n",
                                        [(b"[Y/n]", b"\n"), (b"[y/N]", b"y\n")])
            self.assertEqual(code, 1, shown)  # the absent one failed
            self.assertIn(f"{current}: ZEDEZ v ORP je u", shown)
            self.assertNotIn("no terminal", shown)
            self.assertEqual([firmware_count(fleet, a) for a in (old, current)], [1, 1])

            # --yes (-y) skips the plan; without a terminal the run goes as before.
            code, out, err = run_updater("-y", "--devices", "-", "-j2", "--wait-restart", "0",
                                         input=f"{old}\n")
            self.assertEqual((code, firmware_count(fleet, old)), (0, 2), err)
            self.assertNotIn("registers:", err)


class ProgressArea(unittest.TestCase):
    def test_a_list_of_50_leaves_its_results_alone_each_row_within_the_width(self):
        net = random_subnet()
        devices = [f"{net}.{n}" for n in range(1, 51)]
        restart = {"restart": {"seconds": 1, "version_after": "1.0.12"}}
        with testlib.start_fleet(devices, config=restart):
            code, _, shown = converse(["--devices", "-", "-j", "16", "--wait-restart", "20"],
                                      "\n".join(devices) + "\n", [(b"[Y/n]", b"\n")],
                                      columns=60, stdout_on_terminal=True)
        self.assertEqual(code, 0, shown)
        rows = transcript(shown)
        self.assertLessEqual(len(rows), 60, "\n".join(rows))
        # The lines in place are cut to the width; the results may wrap.
        in_place = [part for part in re.split(r"\x1b\[1A|\x1b\[K|\r|\n", shown)
                    if re.search(r" done: |restarting, |sending, |reading the", part)]
        self.assertTrue(in_place)
        self.assertEqual([p for p in in_place if len(p) >= 60], [])
        # The area was there and told the count, the time and the waits; it is gone now.
        self.assertRegex(shown, r"\d+ of 50 done: \d+ updated, 0 failed, 0 declined; 0:\d\d")
        self.assertIn("restarting, waiting to come back, ", shown)
        self.assertNotIn("of 50 done", "\n".join(rows))
        self.assertIn("50 registers: 50 to update", rows[0])


class ShortOptionsAndChecks(unittest.TestCase):
    def test_quiet_short_options_and_a_checked_lists_exit_code(self):
        net = random_subnet()
        old, current, newer, absent = (f"{net}.{n}" for n in range(1, 5))
        config = {"devices": {current: {"version": "v1.0.12"}, newer: {"version": "1.1"}}}
        with testlib.start_fleet([old, current, newer], config=config) as fleet:
            code, out, err = run_updater("--devices", "-", "--check", input=f"{old}\n{current}\n"
                                         f"{newer}\n{absent}\n")
            self.assertEqual(code, 1, err)
            self.assertIn("4 devices checked: 1 to update, 1 current, 1 newer, 0 unreadable, "
                          "1 failed", err)
            code, _, _ = run_updater("--devices", "-", "--check", input=f"{old}\n{current}\n")
            self.assertEqual(code, 100)
            code, _, _ = run_updater("--check", old)
            self.assertEqual(code, 100)
            code, _, _ = run_updater("--devices", "-", "--check", input=f"{current}\n{newer}\n")
            self.assertEqual(code, 0)

            # Quiet: the result lines alone; -yq and -j4 are taken apart.
            code, out, err = run_updater("-yq", "-j4", "--devices", "-", "--wait-restart", "0",
                                         "--json", input=f"{old}\n{current}\n")
            self.assertEqual((code, err), (0, ""))
            self.assertEqual(sorted(o["result"] for o in json_lines(out)),
                             ["uploaded", "uploaded"])
            code, _, err = run_updater("-q", "-v", old)
            self.assertEqual(code, 64, err)
            self.assertIn("--quiet and --verbose", err)


if __name__ == "__main__":
    unittest.main()
