#!/usr/bin/env python3
"""The window for the registers of a network, read through a real AT-SPI bus as a screen
reader reads it.

Usage (the ctest entry runs it so): dbus-run-session -- xvfb-run -a python3
    accessibility_test.py ZEDEZ-UPDATER TOOLS-DIR
Needs ports 80 and 8080 on loopback for two simulated registers (scripts/isolated.sh).
"""
import os
import random
import subprocess
import sys
import tempfile
import time
import unittest

import pyatspi
from gi.repository import GLib

BOUND = 30  # seconds for any single wait
UPDATER = ""
TOOLS = ""
CONTROL_ROLES = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_COMBO_BOX,
                 pyatspi.ROLE_TEXT, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_TABLE,
                 pyatspi.ROLE_PROGRESS_BAR}


def walk(node):
    """The node and all below it that still exist (a table's cells go when it changes)."""
    try:
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
        node.getRole()
    except GLib.GError:
        return
    yield node
    for child in children:
        if child is not None:
            yield from walk(child)


def holds(condition):
    """condition(), where an object that went away while it was read counts as not yet."""
    try:
        return condition()
    except GLib.GError:
        return False


def role_of(node):
    try:
        return node.getRole()
    except GLib.GError:
        return None


def wait_until(condition, what, seconds=BOUND):
    """Runs the AT-SPI main loop until condition() holds, at most seconds."""
    deadline = time.monotonic() + seconds
    context = GLib.MainContext.default()
    while not holds(condition):
        if time.monotonic() > deadline:
            raise AssertionError(f"gave up waiting for {what}")
        context.iteration(False)
        time.sleep(0.02)


class Registers(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        net = f"127.{random.randint(10, 99)}.{random.randint(1, 254)}"
        cls.old, cls.current = f"{net}.11", f"{net}.12"
        cls.workdir = tempfile.TemporaryDirectory()
        config = os.path.join(cls.workdir.name, "devices.json")
        with open(config, "w", encoding="utf-8") as f:
            f.write('{"devices": {"%s": {"version": "1.0.12"}}}' % cls.current)
        cls.simulator = subprocess.Popen(
            ["python3", os.path.join(TOOLS, "device_simulator.py"), cls.old, cls.current,
             "--version", "1.0.9", "--config", config, "--max-lifetime", "300"],
            stdout=subprocess.PIPE, text=True)
        for line in cls.simulator.stdout:
            if line.startswith("ready"):
                break
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", LANG="C.UTF-8",
                   LC_ALL="C.UTF-8", XDG_CONFIG_HOME=cls.workdir.name, QT_QPA_PLATFORM="xcb")
        cls.updater = subprocess.Popen([UPDATER, "--registers"], cwd=cls.workdir.name, env=env)
        cls.range = f"{net}.0/24"
        cls.app = None
        wait_until(cls.find_app, "the window on the accessibility bus")

    @classmethod
    def find_app(cls):
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.get_process_id() == cls.updater.pid and app.childCount:
                cls.app = app
                return True
        return False

    @classmethod
    def tearDownClass(cls):
        for process in (cls.updater, cls.simulator):
            process.kill()
            process.wait(timeout=BOUND)
        cls.workdir.cleanup()

    def nodes(self, role=None):
        return [n for n in walk(self.app) if role is None or role_of(n) == role]

    def named(self, role, name):
        found = [n for n in self.nodes(role) if n.name == name]
        self.assertTrue(found, f"no {role} named {name!r}")
        return found[0]

    def press(self, role, name):
        """Presses the named control, found again while the window still builds it."""
        def pressed():
            action = self.named(role, name).queryAction()
            names = [action.getName(i) for i in range(action.nActions)]
            return "Press" in names and action.doAction(names.index("Press")) is not None
        wait_until(pressed, f"{name!r} to take a press")

    def status(self):
        """The status line, or None while the window changes it (none or two found)."""
        labels = [n for n in self.nodes(pyatspi.ROLE_LABEL) if n.name.startswith(
            ("Search", "This PC", "Registers found", "The range", "No register"))]
        return labels[0] if len(labels) == 1 else None

    def status_reads(self, *beginnings):
        status = self.status()
        return status is not None and status.name.startswith(beginnings)

    def search(self):
        edit = self.named(pyatspi.ROLE_TEXT, "Range to search")
        edit.queryEditableText().setTextContents(self.range)
        self.press(pyatspi.ROLE_PUSH_BUTTON, "Search")
        wait_until(lambda: self.status_reads("Registers found"), "the search's end")
        table = self.named(pyatspi.ROLE_TABLE, "Registers found").queryTable()
        return table

    def test_1_every_control_is_named_and_the_status_is_read_and_announced(self):
        def unnamed():
            return [(n.getRoleName(), n.description) for n in self.nodes()
                    if role_of(n) in CONTROL_ROLES and not n.name]
        wait_until(lambda: unnamed() == [], "every control to be named")
        wait_until(lambda: self.status_reads("Search the range", "This PC"), "the first status")
        heard = []
        listener = lambda event: heard.append(event.source.name)
        pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name")
        try:
            self.search()
            wait_until(lambda: any(n.startswith("Registers found") for n in heard),
                       "the new status announced")
        finally:
            pyatspi.Registry.deregisterEventListener(listener,
                                                     "object:property-change:accessible-name")

    def test_2_check_boxes_say_so_and_no_cell_offers_an_idle_action(self):
        table = self.search()
        self.assertEqual(table.nRows, 2)
        for row, checked in ((0, True), (1, False)):
            box = table.getAccessibleAt(row, 0)
            # Qt 6.4's bridge sends no "checkable" state for any widget, a QCheckBox's own
            # included: the role says it.
            self.assertTrue(box.getRole() == pyatspi.ROLE_CHECK_BOX
                            or box.getState().contains(pyatspi.STATE_CHECKABLE), f"row {row}")
            self.assertEqual(box.getState().contains(pyatspi.STATE_CHECKED), checked, f"row {row}")
        for row in range(table.nRows):
            for column in range(1, table.nColumns):
                cell = table.getAccessibleAt(row, column)
                try:
                    actions = cell.queryAction().nActions
                except NotImplementedError:
                    actions = 0
                self.assertEqual(actions, 0, f"cell {row},{column}: {cell.name}")
        # The check box's own action checks it.
        box = table.getAccessibleAt(1, 0)
        action = box.queryAction()
        self.assertEqual(action.nActions, 1)
        action.doAction(0)
        wait_until(lambda: table.getAccessibleAt(1, 0).getState().contains(
            pyatspi.STATE_CHECKED), "the check")

    def test_3_one_object_has_the_focus(self):
        self.search()
        table = self.named(pyatspi.ROLE_TABLE, "Registers found")
        window = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                 str(self.updater.pid)], check=True, capture_output=True,
                                text=True, timeout=BOUND).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True, timeout=BOUND)

        def focused():
            return [(n.getRoleName(), n.name) for n in self.nodes()
                    if n.getState().contains(pyatspi.STATE_FOCUSED)]

        # By keyboard into the table, then out of it.
        for _ in range(15):
            if table.getState().contains(pyatspi.STATE_FOCUSED):
                break
            subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=BOUND)
            wait_until(lambda: focused(), "a focused object")
        self.assertTrue(table.getState().contains(pyatspi.STATE_FOCUSED), focused())
        subprocess.run(["xdotool", "key", "Tab"], check=True, timeout=BOUND)
        wait_until(lambda: not table.getState().contains(pyatspi.STATE_FOCUSED),
                   "the focus to leave the table")
        self.assertEqual(focused(), [("spin button", "Registers updated at once")])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    UPDATER, TOOLS = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1], verbosity=2)
