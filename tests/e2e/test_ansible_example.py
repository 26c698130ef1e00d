"""The Ansible role and site playbook, run with the local connection: each "shop" is an
inventory host on this machine whose settings come from the inventory alone, with its
registers on loopback simulators."""

import json
import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from fleet_support import UPDATER, firmware_count, headless_env, random_subnet  # noqa: E402

PLAYBOOK = os.path.join(ROOT, "examples", "ansible", "site.yml")
PLAYBOOK_TIMEOUT = 240
RECAP = re.compile(r"^(\S+)\s*:\s*ok=(\d+)\s+changed=(\d+)\s+unreachable=(\d+)\s+failed=(\d+)",
                   re.M)


class Chain:
    """A directory with an inventory of shops, run with ansible-playbook."""

    def __init__(self, directory, shops):
        self.directory = directory
        self.report = os.path.join(directory, "report.json")
        self.records = os.path.join(directory, "records")
        self.inventory = os.path.join(directory, "inventory.ini")
        with open(self.inventory, "w") as f:
            f.write("[shops]\n")
            for name, settings in shops:
                f.write(name + "".join(f" {k}='{v}'" for k, v in settings.items()) + "\n")
            f.write("[shops:vars]\nansible_connection=local\n"
                    f"ansible_python_interpreter={sys.executable}\n"
                    f"updater_path={UPDATER}\nupdater_report={self.report}\n"
                    f"updater_records_dir={self.records}\n"
                    f"updater_record={directory}/{{{{ inventory_hostname }}}}.local.jsonl\n")

    def play(self, *arguments):
        env = {**headless_env(), "ANSIBLE_HOME": self.directory, "ANSIBLE_NOCOLOR": "1",
               "ANSIBLE_LOCAL_TEMP": os.path.join(self.directory, "tmp"),
               "ANSIBLE_RETRY_FILES_ENABLED": "0"}
        result = subprocess.run(["ansible-playbook", "-i", self.inventory, PLAYBOOK, *arguments],
                                capture_output=True, text=True, timeout=PLAYBOOK_TIMEOUT, env=env)
        recap = {m[0]: {"ok": int(m[1]), "changed": int(m[2]), "failed": int(m[4])}
                 for m in RECAP.findall(result.stdout)}
        return result, recap

    def read_report(self):
        with open(self.report) as f:
            return json.load(f)

    def record_home(self, shop):
        with open(os.path.join(self.records, f"{shop}.jsonl")) as f:
            return [json.loads(line) for line in f]


class AnsibleRole(unittest.TestCase):
    def test_four_shops_from_the_inventory(self):
        net = random_subnet()
        scanned_net = random_subnet()
        good, missing = f"{net}.10", f"{net}.11"
        current = f"{net}.20"
        scanned = f"{scanned_net}.30"
        slow = f"{net}.40"
        # The firmware port refuses the first try; the shop's retry takes the second.
        config = {"devices": {current: {"version": "1.0.12"},
                              good: {"refuse_firmware_until_state": 2}}}
        with testlib.start_fleet([good, current, scanned, slow], config=config) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            chain = Chain(directory, [
                # A register that answers, and one that is not there.
                ("shop-a", {"updater_devices": json.dumps([good, missing]),
                            "updater_wait_restart": 0, "updater_retry": 1,
                            "updater_retry_delay": 0}),
                # Its only register is current: declined, nothing changes.
                ("shop-b", {"updater_devices": json.dumps([current]), "updater_wait_restart": 0}),
                ("shop-c", {"updater_scan": f"{scanned_net}.0/24", "updater_wait_restart": 0}),
                # Never comes back within 2 s, which this shop allows.
                ("shop-d", {"updater_devices": json.dumps([slow]), "updater_wait_restart": 2,
                            "updater_allow_failures": "true"}),
            ])
            result, recap = chain.play()
            output = result.stdout + result.stderr
            self.assertEqual(result.returncode, 2, output)
            self.assertEqual(recap["shop-a"]["failed"], 1, output)
            self.assertEqual((recap["shop-b"]["changed"], recap["shop-b"]["failed"]), (0, 0), output)
            self.assertEqual((recap["shop-c"]["changed"], recap["shop-c"]["failed"]), (1, 0), output)
            self.assertEqual((recap["shop-d"]["changed"], recap["shop-d"]["failed"]), (1, 0), output)
            self.assertEqual([firmware_count(fleet, a) for a in (good, current, scanned, slow)],
                             [1, 0, 1, 1])

            report = chain.read_report()
            shops = report["shops"]
            self.assertEqual([(f["address"], f["result"]) for f in shops["shop-a"]["failed"]],
                             [(missing, "failed")])
            self.assertEqual(shops["shop-b"]["totals"], {"registers": 1, "declined": 1})
            self.assertEqual(shops["shop-d"]["failed"],
                             [{"address": slow, "result": "not-back",
                               "cause": "not back within 2 s"}])
            self.assertEqual(report["totals"]["registers"], 5)
            self.assertEqual(report["totals"]["uploaded"], 2)
            self.assertIn(f"{missing} failed", output)

            # Each shop's record came home, naming its shop.
            for shop, addresses in (("shop-a", {good, missing}), ("shop-b", {current}),
                                    ("shop-c", {scanned}), ("shop-d", {slow})):
                lines = chain.record_home(shop)
                self.assertEqual({line["address"] for line in lines}, addresses)
                self.assertEqual({line["site"] for line in lines}, {shop})
            self.assertEqual({line["address"]: line["tries"] for line in chain.record_home("shop-a")},
                             {good: 2, missing: 2})

    def test_check_mode_names_what_would_change(self):
        net = random_subnet()
        older, current = f"{net}.10", f"{net}.20"
        config = {"devices": {current: {"version": "1.0.12"}}}
        with testlib.start_fleet([older, current], config=config) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            chain = Chain(directory, [("shop-a", {"updater_devices": json.dumps([older])}),
                                      ("shop-b", {"updater_devices": json.dumps([current])})])
            result, recap = chain.play("--check")
            output = result.stdout + result.stderr
            self.assertEqual(result.returncode, 0, output)
            self.assertEqual(recap["shop-a"]["changed"], 1, output)
            self.assertEqual(recap["shop-b"]["changed"], 0, output)
            self.assertEqual([firmware_count(fleet, a) for a in (older, current)], [0, 0])
            report = chain.read_report()
            self.assertEqual(report["shops"]["shop-a"]["would_update"], [older])
            self.assertEqual(report["shops"]["shop-b"]["would_update"], [])
            self.assertIn(f"would update: {older}", output)
            self.assertFalse(os.path.exists(chain.records))

    def test_rollout_stops_after_its_canary_fails(self):
        net = random_subnet()
        missing = f"{net}.10"
        later = [f"{net}.20", f"{net}.21", f"{net}.22"]
        with testlib.start_fleet(later) as fleet, tempfile.TemporaryDirectory() as directory:
            chain = Chain(directory, [("canary", {"updater_devices": json.dumps([missing]),
                                                  "updater_wait_restart": 0})]
                          + [(f"shop-{i}", {"updater_devices": json.dumps([a]),
                                            "updater_wait_restart": 0})
                             for i, a in enumerate(later)])
            result, recap = chain.play(
                "-e", json.dumps({"updater_serial": [1, "50%"], "updater_max_fail_percentage": 0}))
            output = result.stdout + result.stderr
            self.assertNotEqual(result.returncode, 0, output)
            self.assertEqual(recap["canary"]["failed"], 1, output)
            self.assertEqual(sorted(recap), ["canary"], output)
            self.assertEqual([firmware_count(fleet, a) for a in later], [0, 0, 0])
            self.assertEqual(list(chain.read_report()["shops"]), ["canary"])


if __name__ == "__main__":
    unittest.main()
