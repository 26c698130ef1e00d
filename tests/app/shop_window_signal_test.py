#!/usr/bin/env python3
"""The window for the registers of a network, ended by SIGTERM while it updates: the uploads
under way finish, the restart waits end, nothing new starts, every register of the run has one
line of the record, and the program ends by the signal.

Usage (the ctest entry runs it so): dbus-run-session -- xvfb-run -a python3
    shop_window_signal_test.py ZEDEZ-UPDATER TOOLS-DIR
Needs ports 80 and 8080 on loopback for five simulated registers (scripts/isolated.sh).
"""
import json
import os
import random
import signal
import subprocess
import sys
import tempfile
import unittest

import pyatspi

from accessibility_test import BOUND, role_of, wait_until, walk

UPDATER = ""
TOOLS = ""
IMAGE_SIZE = 886008


class SignalDuringUpdates(unittest.TestCase):
    def setUp(self):
        sys.path.insert(0, TOOLS)
        import testlib  # noqa: E402  (the tools' folder is known only now)

        net = f"127.{random.randint(100, 199)}.{random.randint(1, 254)}"
        self.restarting, *self.sending, self.last = (f"{net}.{n}" for n in range(1, 6))
        # Three at once, in the order they are found (each answers its state a little later
        # than the one before). The first stays silent for a minute after its upload; its
        # wait frees its place for the fourth. The others take 6 s to answer their uploads, so
        # the last one is still waiting for a place when the signal comes.
        devices = {self.restarting: {"restart": {"seconds": 60, "mode": "refuse"}}}
        for n, address in enumerate(self.sending, start=1):
            devices[address] = {"responses": {"state": {"delay": 0.3 * n},
                                              "firmware": {"delay": 6}}}
        devices[self.last] = {"responses": {"state": {"delay": 1.5}}}
        self.fleet = testlib.start_fleet([self.restarting, *self.sending, self.last],
                                         config={"devices": devices})
        self.addCleanup(self.fleet.stop)
        workdir = tempfile.TemporaryDirectory()
        self.addCleanup(workdir.cleanup)
        self.record = os.path.join(workdir.name, "record.jsonl")
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8",
                   LC_ALL="C.UTF-8", XDG_CONFIG_HOME=workdir.name, QT_QPA_PLATFORM="xcb")
        self.updater = subprocess.Popen([UPDATER, "--registers", "--record", self.record],
                                        cwd=workdir.name, env=env)
        self.addCleanup(self.end_updater)
        self.app = None
        wait_until(self.find_app, "the window on the accessibility bus")

    def end_updater(self):
        if self.updater.poll() is None:
            self.updater.kill()
        self.updater.wait(timeout=BOUND)

    def find_app(self):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == self.updater.pid and app.childCount:
                self.app = app
                return True
        return False

    def named(self, role, name):
        return [n for n in walk(self.app) if role_of(n) == role and n.name == name]

    def press(self, name):
        def pressed():
            for button in self.named(pyatspi.ROLE_PUSH_BUTTON, name):
                action = button.queryAction()
                names = [action.getName(i) for i in range(action.nActions)]
                if "Press" in names and button.getState().contains(pyatspi.STATE_ENABLED):
                    return action.doAction(names.index("Press"))
            return False
        wait_until(pressed, f"{name!r} to take a press")

    def status_starts_with(self, text):
        return any(n.name.startswith(text) for n in walk(self.app)
                   if role_of(n) == pyatspi.ROLE_LABEL)

    def test_every_register_gets_one_line_and_the_program_ends_by_the_signal(self):
        [edit] = self.named(pyatspi.ROLE_TEXT, "Range to search")
        edit.queryEditableText().setTextContents(", ".join(self.fleet.addresses))
        self.press("Search")
        wait_until(lambda: self.status_starts_with("Registers found: 5. Needing the update, "
                                                   "and selected: 5."), "the search's end")
        [jobs] = self.named(pyatspi.ROLE_SPIN_BUTTON, "Registers updated at once")
        jobs.queryValue().currentValue = 3
        wait_until(lambda: jobs.queryValue().currentValue == 3, "three at once")
        self.press("Update selected")
        self.fleet.wait_for_kind(self.restarting, "restart", timeout=BOUND)
        for address in self.sending:
            self.fleet.wait_for_kind(address, "firmware", timeout=BOUND)

        self.updater.send_signal(signal.SIGTERM)
        self.assertEqual(self.updater.wait(timeout=BOUND), -signal.SIGTERM)

        with open(self.record, encoding="utf-8") as f:
            lines = [json.loads(line) for line in f.read().splitlines()]
        results = {line["address"]: line for line in lines}
        self.assertEqual(len(lines), 5, lines)
        self.assertEqual(results[self.last]["result"], "not-started")
        for address in (self.restarting, *self.sending):
            # Each upload was answered; only the wait for the restart was cut short.
            self.assertEqual(results[address]["result"], "interrupted", address)
            self.assertIn("waiting for the register to come back",
                          results[address]["cause"]["message"])
            [upload] = self.fleet.wait_for_kind(address, "firmware")
            self.assertEqual(upload["body_length"], IMAGE_SIZE)
        self.assertEqual([r for r in self.fleet.records(self.last) if r["kind"] == "firmware"],
                         [])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    UPDATER, TOOLS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
