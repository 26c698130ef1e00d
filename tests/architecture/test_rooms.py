"""The build holds the rooms: a source of one room that includes a header of a room it does not
build on fails to compile. Compiles a one-line probe with each room's own compile command from
the build's compile_commands.json (ZEDEZ_COMPILE_COMMANDS)."""

import json
import os
import pathlib
import re
import shlex
import subprocess
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]

# (a source of the room, a header the room must not reach, a header it may)
ROOMS = {
    "core": ("app/core/device_run.cpp", ["app/cli/console.h", "app/window/main_window.h"],
             "app/core/run_step.h"),
    "cli": ("app/cli/console.cpp", ["app/window/main_window.h"], "app/core/run_step.h"),
    "window": ("app/window/dialogs.cpp", ["app/cli/console.h"], "app/core/run_step.h"),
    "cookies": ("http/cookies/cookie_rules.cpp", ["http/uri.h", "http/transport/tcp_client.h"],
                "http/base/ascii_text.h"),
}


def load_commands():
    path = os.environ.get("ZEDEZ_COMPILE_COMMANDS")
    if not path or not pathlib.Path(path).is_file():
        raise unittest.SkipTest("ZEDEZ_COMPILE_COMMANDS names no compile_commands.json")
    return {entry["file"]: entry for entry in json.loads(pathlib.Path(path).read_text())}


def probe_command(entry):
    """The entry's compiler and flags, checking a source read from stdin and writing nothing."""
    words = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    if pathlib.Path(words[0]).name == "ccache":
        words = words[1:]
    kept, skip = [], False
    for word in words:
        if skip:
            skip = False
        elif word in ("-o", "-c", "-MF", "-MT", "-MQ"):
            skip = True
        elif word not in ("-MD", "-MMD") and word != entry["file"]:
            kept.append(word)
    return kept + ["-fsyntax-only", "-x", "c++", "-"]


class Rooms(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.commands = load_commands()

    def compile(self, source, header):
        entry = self.commands.get(str(ROOT / source))
        if entry is None:
            self.skipTest(f"{source} is not part of this build")
        return subprocess.run(probe_command(entry), input=f'#include "{header}"\n', text=True,
                              capture_output=True, cwd=entry["directory"], timeout=120)

    def test_a_room_reaches_only_the_rooms_it_builds_on(self):
        for room, (source, forbidden, allowed) in ROOMS.items():
            with self.subTest(room=room, header=allowed):
                result = self.compile(source, allowed)
                self.assertEqual(result.returncode, 0, result.stderr)
            for header in forbidden:
                with self.subTest(room=room, header=header):
                    result = self.compile(source, header)
                    self.assertNotEqual(result.returncode, 0, f"{room} reached {header}")
                    # The header itself is out of reach, not something that it includes.
                    missing = re.compile(rf"{re.escape(header)}: No such file|'{re.escape(header)}' file not found")
                    self.assertRegex(result.stderr, missing)


if __name__ == "__main__":
    unittest.main()
