"""The Ansible example, run with the local connection: two "shops" on this machine, one
with a device list and one with a scan of its own loopback /24, gathered into one report."""

import json
import os
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))

import testlib  # noqa: E402
from fleet_support import UPDATER, firmware_count, headless_env, random_subnet  # noqa: E402

PLAYBOOK = os.path.join(ROOT, "examples", "ansible", "update_registers.yml")
PLAYBOOK_TIMEOUT = 240


class AnsibleExample(unittest.TestCase):
    def test_two_shops_in_one_report(self):
        listed_net, scanned_net = random_subnet(), random_subnet()
        listed = [f"{listed_net}.10", f"{listed_net}.11"]
        missing = f"{listed_net}.12"
        scanned = [f"{scanned_net}.20"]
        config = {"devices": {listed[1]: {"version": "v1.0.12"}}}
        with testlib.start_fleet(listed + scanned, config=config) as fleet, \
                tempfile.TemporaryDirectory() as directory:
            inventory = os.path.join(directory, "inventory.ini")
            with open(inventory, "w") as f:
                f.write("[shops]\n"
                        f"shop-a updater_devices='{json.dumps(listed + [missing])}'\n"
                        f"shop-b updater_scan={scanned_net}.0/24\n"
                        "[shops:vars]\nansible_connection=local\n"
                        f"ansible_python_interpreter={sys.executable}\n")
            report_path = os.path.join(directory, "report.json")
            records_dir = os.path.join(directory, "records")
            env = {**headless_env(), "ANSIBLE_HOME": directory, "ANSIBLE_NOCOLOR": "1",
                   "ANSIBLE_LOCAL_TEMP": os.path.join(directory, "tmp"),
                   "ANSIBLE_RETRY_FILES_ENABLED": "0"}
            result = subprocess.run(
                ["ansible-playbook", "-i", inventory, PLAYBOOK,
                 "-e", f"updater_path={UPDATER}", "-e", f"report_path={report_path}",
                 "-e", "updater_wait_restart=0", "-e", f"records_dir={records_dir}",
                 "-e", f"updater_record={os.path.join(directory, 'record.jsonl')}"],
                capture_output=True, text=True, timeout=PLAYBOOK_TIMEOUT, env=env)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            with open(report_path) as f:
                report = json.load(f)
            self.assertEqual(report["totals"],
                             {"devices": 4, "uploaded": 2, "failed": 1, "declined": 1})
            shops = report["shops"]
            self.assertEqual({o["address"]: o["result"] for o in shops["shop-a"]},
                             {listed[0]: "uploaded", listed[1]: "declined", missing: "failed"})
            self.assertEqual([(o["address"], o["result"]) for o in shops["shop-b"]],
                             [(scanned[0], "uploaded")])
            self.assertEqual([firmware_count(fleet, a) for a in listed + scanned], [1, 0, 1])
            # Both shops ran on this machine, so both records came home from the same file.
            with open(os.path.join(records_dir, "shop-a.jsonl")) as f:
                records = [json.loads(line) for line in f]
            self.assertEqual(sorted(r["address"] for r in records),
                             sorted(listed + [missing] + scanned))


if __name__ == "__main__":
    unittest.main()
