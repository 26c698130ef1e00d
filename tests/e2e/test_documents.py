"""The README, the manual pages, the shell completion and --help tell the same facts: every
option, its syntax, the exit codes and the JSON fields. Runs the real executable against a
name that never resolves (RFC 6761 .invalid), so it needs no device."""

import json
import os
import re
import subprocess
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
UPDATER = os.environ.get("ZEDEZ_UPDATER", "")


def read(*path):
    with open(os.path.join(ROOT, *path), encoding="utf-8") as f:
        return f.read()


def run(*args):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env["LC_ALL"] = "C.UTF-8"
    done = subprocess.run([UPDATER, *args], stdin=subprocess.DEVNULL, capture_output=True,
                          text=True, env=env, timeout=60)
    return done.stdout


def man_text(page):
    """The page as troff source, with its escaped hyphens plain."""
    return read("packaging", page).replace("\\-", "-")


class Documents(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.help = run("--help")
        cls.documents = {"README.md": read("README.md"),
                         "zedez-updater.1": man_text("zedez-updater.1"),
                         "zedez-updater.sk.1": man_text("zedez-updater.sk.1"),
                         "completion": read("packaging", "completions", "zedez-updater")}

    def test_every_option_of_the_help_is_documented_and_completed(self):
        options = set(re.findall(r"^\s+(?:-\w, )?(--[\w-]+)", self.help, re.MULTILINE))
        self.assertGreaterEqual(len(options), 15, self.help)
        for name, text in self.documents.items():
            missing = sorted(o for o in options if not re.search(re.escape(o) + r"\b", text))
            self.assertEqual(missing, [], name)
        # An option that takes an optional value shows it so everywhere.
        self.assertIn("--wait-restart [SECONDS]", self.help)
        self.assertIn("`--wait-restart [S]`", self.documents["README.md"])
        self.assertIn('--wait-restart " [\\fIseconds\\fR]"', self.documents["zedez-updater.1"])

    def test_the_exit_code_tables_agree(self):
        helped = re.findall(r"^  (\d+) +\S", self.help, re.MULTILINE)
        readme = re.findall(r"^\| (\d+) \|", self.documents["README.md"], re.MULTILINE)
        for page, title in (("zedez-updater.1", "EXIT STATUS"),
                            ("zedez-updater.sk.1", "NÁVRATOVÝ KÓD")):
            section = self.documents[page].split(f".SH {title}\n")[1].split(".SH ")[0]
            self.assertEqual(re.findall(r"^\.B (\d+)$", section, re.MULTILINE), helped, page)
        self.assertEqual(readme, helped)
        self.assertEqual(helped, ["0", "1", "2", "3", "64", "73", "100"])

    def test_every_json_field_is_documented(self):
        outcome = json.loads(run("--json", "--headless", "--wait-restart", "5", "nosuch.invalid"))
        fields = set(outcome) | set(outcome["error"])
        for name in ("README.md", "zedez-updater.1", "zedez-updater.sk.1"):
            text = self.documents[name]
            quoted = (lambda f: f"`{f}`" in text or f"\"{f}\"" in text) if name == "README.md" else \
                (lambda f: re.search(r"^\.I[R]? " + f + r"\b", text, re.MULTILINE))
            self.assertEqual(sorted(f for f in fields if not quoted(f)), [], name)


if __name__ == "__main__":
    unittest.main()
