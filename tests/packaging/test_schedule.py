"""The nightly schedule's units: systemd's own checks, and the service's command run as systemd
would run it, against simulated registers on a loopback /24 (ports 80 and 8080: root)."""

import json
import os
import pathlib
import random
import re
import subprocess
import sys
import tempfile
import unittest

SOURCE = pathlib.Path(os.environ["ZEDEZ_SOURCE_DIR"])
UNITS = SOURCE / "packaging/systemd"
sys.path.insert(0, str(SOURCE / "tools"))

import testlib  # noqa: E402


def run(args, timeout=120, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=timeout, **kwargs)


def exec_start_script():
    """The shell script of ExecStart, with systemd's line continuations and $$ undone."""
    text = (UNITS / "zedez-updater.service").read_text(encoding="utf-8")
    line = re.search(r"^ExecStart=(.*?[^\\])$", text.replace("\\\n", ""), re.M).group(1)
    prefix = "/bin/sh -c '"
    assert line.startswith(prefix) and line.endswith("'"), line
    return line[len(prefix):-1].replace("$$", "$")


class UnitsTest(unittest.TestCase):
    def test_systemd_verifies_both_and_rates_the_service_ok(self):
        units = [str(UNITS / "zedez-updater.service"), str(UNITS / "zedez-updater.timer")]
        verify = run(["systemd-analyze", "verify", "--man=no", *units])
        self.assertEqual((verify.returncode, verify.stderr), (0, ""))
        security = run(["systemd-analyze", "security", "--offline=yes", "--no-pager", units[0]])
        exposure = re.search(r"Overall exposure level for \S+: (\d+\.\d+)", security.stdout)
        self.assertIsNotNone(exposure, security.stdout + security.stderr)
        self.assertLessEqual(float(exposure.group(1)), 2.0, security.stdout)

    def test_the_timer_runs_at_night_spread_out_and_catches_up(self):
        timer = (UNITS / "zedez-updater.timer").read_text(encoding="utf-8")
        hour = int(re.search(r"^OnCalendar=\*-\*-\* (\d\d):", timer, re.M).group(1))
        delay = re.search(r"^RandomizedDelaySec=(\d+)h$", timer, re.M)
        self.assertTrue(hour < 5 and delay and hour + int(delay.group(1)) <= 5, timer)
        self.assertIn("\nPersistent=true\n", timer)


@unittest.skipUnless(os.environ.get("ZEDEZ_UPDATER"), "needs the built program")
class ServiceCommandTest(unittest.TestCase):
    """ExecStart's script with the built program in place of /usr/bin/zedez-updater."""

    def run_service(self, directory, **settings):
        state, runtime = directory / "state", directory / "runtime"
        state.mkdir()
        runtime.mkdir()
        script = exec_start_script().replace("/usr/bin/zedez-updater", os.environ["ZEDEZ_UPDATER"])
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env.update(STATE_DIRECTORY=str(state), RUNTIME_DIRECTORY=str(runtime), **settings)
        result = run(["/bin/sh", "-c", script], env=env, stdin=subprocess.DEVNULL)
        record = state / "record.jsonl"
        lines = record.read_text().splitlines() if record.exists() else []
        return result, [json.loads(line) for line in lines]

    def test_a_list_a_scan_and_an_empty_list(self):
        net = f"127.{random.randint(100, 254)}.{random.randint(1, 254)}"
        old, current = f"{net}.7", f"{net}.9"
        config = {"devices": {current: {"version": "v1.0.12"}}}
        with testlib.start_fleet([old, current], config=config), \
                tempfile.TemporaryDirectory() as work:
            work = pathlib.Path(work)
            registers = work / "registers"
            registers.write_text(f"# the shop\n{old}\n{current}\n")
            for name, settings in (("list", {"REGISTERS": str(registers)}),
                                   ("scan", {"SCAN": f"{net}.0/24"})):
                with self.subTest(name):
                    (work / name).mkdir()
                    result, record = self.run_service(work / name,
                                                      OPTIONS="--wait-restart 0", **settings)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    # Unattended, the current register's question is declined.
                    self.assertEqual({line["address"]: line["result"] for line in record},
                                     {old: "uploaded", current: "declined"})
            registers.write_text("# nothing yet\n")
            (work / "empty").mkdir()
            result, record = self.run_service(work / "empty", REGISTERS=str(registers))
            self.assertEqual((result.returncode, record), (3, []), result.stderr)


if __name__ == "__main__":
    unittest.main()
