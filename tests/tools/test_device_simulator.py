"""The device simulator, driven by raw sockets and curl."""

import hashlib
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import unittest

import wire  # also puts tools/ on the import path
from wire import curl

import testlib

TOKEN = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1"


def state_get(address):
    return (f"GET /api/state HTTP/1.1\r\nHost: {address}\r\n"
            "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n\r\n").encode()


def firmware_post(address, port, body, token=TOKEN):
    return (f"POST /firmware?token={token} HTTP/1.0\r\nConnection: keep-alive\r\n"
            f"Content-Length: {len(body)}\r\nHost: {address}:{port}\r\n"
            "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
            "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n\r\n").encode() + body


class StateDocument(unittest.TestCase):
    def test_version_variants_and_exact_request_record(self):
        cases = [
            (["--version", "v1.0.12"], {"ZEDEZVer": "v1.0.12"}),
            (["--version-number", "1009"], {"ZEDEZVer": 1009}),
            (["--no-version"], {}),
            (["--no-globals"], None),
        ]
        for options, expected_version in cases:
            with self.subTest(options=options), testlib.start_simulator(*options) as device:
                request = state_get(device.address)
                answer = wire.exchange(device.address, device.http_port, request)
                self.assertEqual(answer.status, 200)
                self.assertEqual(answer.header("Content-Length"), str(len(answer.body)))
                document = json.loads(answer.body)
                if expected_version is None:
                    self.assertNotIn("globals", document)
                else:
                    globals_ = document["globals"]
                    self.assertEqual({k: v for k, v in globals_.items() if k == "ZEDEZVer"},
                                     expected_version)
                [record] = device.wait_for_records(1)
                self.assertEqual(record["kind"], "state")
                self.assertEqual(testlib.head_of(record), request)
                self.assertEqual(record["headers"][0], ["Host", device.address])
                self.assertEqual(record["response_status"], 200)

    def test_number_version_is_written_as_given(self):
        with testlib.start_simulator("--version-number", "1.01e3") as device:
            answer = wire.exchange(device.address, device.http_port, state_get(device.address))
            self.assertIn(b'"ZEDEZVer":1.01e3', answer.body)


class KeepAlive(unittest.TestCase):
    def test_http10_keeps_only_when_asked_and_http11_by_default(self):
        with testlib.start_simulator() as device:
            ask = (f"GET /api/state HTTP/1.0\r\nConnection: keep-alive\r\n"
                   f"Host: {device.address}\r\n\r\n").encode()
            with wire.Connection(device.address, device.http_port) as connection:
                for _ in range(2):
                    connection.send(ask)
                    answer = connection.read_answer()
                    self.assertEqual(answer.header("Connection"), "keep-alive")
                connection.send(ask.replace(b"Connection: keep-alive\r\n", b""))
                answer = connection.read_answer()
                self.assertEqual(answer.header("Connection"), "close")
                self.assertTrue(connection.closed_by_peer())

            with wire.Connection(device.address, device.http_port) as connection:
                request = state_get(device.address)
                connection.send(request + request)
                self.assertEqual(connection.read_answer().status, 200)
                self.assertIsNone(connection.read_answer().header("Connection"))
                connection.send(request.replace(b"\r\n\r\n", b"\r\nConnection: close\r\n\r\n"))
                self.assertEqual(connection.read_answer().header("Connection"), "close")
                self.assertTrue(connection.closed_by_peer())

            records = device.wait_for_records(6)
            self.assertEqual([r["connection"] for r in records], [1, 1, 1, 2, 2, 2])
            self.assertEqual([r["request_on_connection"] for r in records], [1, 2, 3, 1, 2, 3])


class Firmware(unittest.TestCase):
    def test_large_upload_is_recorded_with_length_and_digest(self):
        body = os.urandom(5 * 1024 * 1024 + 3)
        with testlib.start_simulator() as device:
            answer = wire.exchange(device.address, device.firmware_port,
                                   firmware_post(device.address, device.firmware_port, body))
            self.assertEqual((answer.status, answer.body), (200, b"OK"))
            self.assertEqual(answer.header("Connection"), "keep-alive")
            [record] = device.wait_for_records(1)
            self.assertEqual(record["kind"], "firmware")
            self.assertTrue(record["token_ok"])
            self.assertTrue(record["complete"])
            self.assertEqual(record["body_length"], len(body))
            self.assertEqual(record["body_sha256"], hashlib.sha256(body).hexdigest())
            self.assertEqual(testlib.body_of(record), body)

    def test_wrong_or_missing_token_is_refused(self):
        with testlib.start_simulator() as device:
            for query in ("?token=" + TOKEN.lower(), ""):
                code, out, err = curl("-o", "/dev/null", "-w", "%{http_code}",
                                      "--data-binary", "x", device.url("/firmware" + query,
                                                                       firmware=True))
                self.assertEqual((code, out), (0, b"403"), err)
            records = device.wait_for_records(2)
            self.assertEqual([r["token_ok"] for r in records], [False, False])
            self.assertEqual([r["token"] for r in records], [TOKEN.lower(), None])

    def test_firmware_path_only_on_its_port(self):
        with testlib.start_simulator() as device:
            code, out, _ = curl("-o", "/dev/null", "-w", "%{http_code}", "--data-binary", "x",
                                device.url("/firmware?token=" + TOKEN))
            self.assertEqual(out, b"404")


class Settings(unittest.TestCase):
    def test_raw_settings_bytes_are_served_and_a_post_replaces_them(self):
        raw = '{"timeout":1000,"name":"Predajňa č. 1"}'.encode("cp1250")
        with tempfile.NamedTemporaryFile(suffix=".json") as f:
            f.write(raw)
            f.flush()
            device = testlib.start_simulator("--settings-file", f.name)
        with device:
            code, out, err = curl(device.url("/api/settings"))
            self.assertEqual((code, out), (0, raw), err)
            posted = '{"name":"Predajňa","timeout":6000}'.encode("utf-8")
            answer = wire.exchange(
                device.address, device.http_port,
                (f"POST /api/settings HTTP/1.0\r\nConnection: keep-alive\r\n"
                 f"Content-Length: {len(posted)}\r\nHost: {device.address}\r\n\r\n").encode()
                + posted)
            self.assertEqual(answer.status, 200)
            code, out, err = curl(device.url("/api/settings"))
            self.assertEqual(out, posted)
            records = device.wait_for_records(3)
            self.assertEqual([r["kind"] for r in records],
                             ["settings_get", "settings_post", "settings_get"])
            self.assertEqual(testlib.body_of(records[1]), posted)


class Misbehaviour(unittest.TestCase):
    def test_status_body_and_actions_from_control_file(self):
        with testlib.start_simulator() as device:
            url = device.url("/api/state")
            device.set_config({"responses": {"state": {"status": 500, "body": '{"e":1}'}}})
            code, out, err = curl("-i", url)
            self.assertIn(b"HTTP/1.1 500 Internal Server Error", out)
            self.assertTrue(out.endswith(b'\r\n\r\n{"e":1}'))

            device.set_config({"responses": {"state": {"action": "close"}}})
            self.assertEqual(curl(url)[0], 52)  # empty reply
            device.set_config({"responses": {"state": {"action": "reset"}}})
            self.assertEqual(curl(url)[0], 56)  # receive failure
            device.set_config({"responses": {"state": {"action": "stall"}}})
            self.assertEqual(curl("--max-time", "1", url)[0], 28)  # time-out
            device.set_config({"responses": {"state": [{"status": 503}, {"status": 200}]}})
            self.assertEqual(curl("-w", " %{http_code}", "-o", "/dev/null", url)[1], b" 503")
            self.assertEqual(curl("-w", " %{http_code}", "-o", "/dev/null", url)[1], b" 200")
            device.set_config({})
            whole = curl("-i", url)[1]
            device.set_config({"responses": {"state": {"truncate": len(whole) - 5}}})
            self.assertEqual(curl(url)[0], 18)  # partial body
            device.set_config({"responses": {"state": {"raw": "HTTP/1.0 200 OK\r\n\r\nbye"}}})
            self.assertEqual(curl(url)[1], b"bye")

            records = device.wait_for_records(9)
            self.assertEqual([r["action"] for r in records[:4]],
                             ["answer", "close", "reset", "stall"])

    def test_upload_cut_off_early(self):
        body = os.urandom(4 * 1024 * 1024)
        with testlib.start_simulator(
                config={"responses": {"firmware": {"action": "close_before_body",
                                                   "after_body_bytes": 1000}}}) as device:
            with wire.Connection(device.address, device.firmware_port) as connection:
                with self.assertRaises((BrokenPipeError, ConnectionResetError)):
                    connection.send(firmware_post(device.address, device.firmware_port, body))
            [record] = device.wait_for_records(1)
            self.assertFalse(record["complete"])
            self.assertEqual(record["body_length"], 1000)

    def test_command_line_answers(self):
        with testlib.start_simulator("--status", "firmware=500", "--body", "firmware=busy",
                                     "--action", "settings_get=close") as device:
            code, out, _ = curl("-w", " %{http_code}", "--data-binary", "x",
                                device.url("/firmware?token=" + TOKEN, firmware=True))
            self.assertEqual(out, b"busy 500")
            self.assertEqual(curl(device.url("/api/settings"))[0], 52)


class SeveralDevices(unittest.TestCase):
    def test_each_address_is_a_device_with_its_own_behaviour_and_records(self):
        base = testlib.pick_loopback_address().rsplit(".", 1)[0]
        addresses = [f"{base}.{n}" for n in (11, 12, 13)]
        config = {"devices": {addresses[1]: {"version": "v1.0.12"},
                              addresses[2]: {"responses": {"state": {"status": 500}}}}}
        with testlib.start_fleet(addresses, http_port=0, firmware_port=0,
                                 config=config) as fleet:
            self.assertEqual(fleet.addresses, addresses)
            answers = [wire.exchange(a, fleet.devices[a][0], state_get(a)) for a in addresses]
            self.assertEqual([a.status for a in answers], [200, 200, 500])
            self.assertEqual([json.loads(a.body)["globals"]["ZEDEZVer"] for a in answers[:2]],
                             ["1.0.9", "v1.0.12"])
            for address in addresses:
                [record] = fleet.wait_for_kind(address, "state")
                self.assertEqual(record["device"], address)
                self.assertEqual(record["local"].split(":")[0], address)


class Restart(unittest.TestCase):
    def upload(self, device):
        answer = wire.exchange(device.address, device.firmware_port,
                               firmware_post(device.address, device.firmware_port, b"image"))
        self.assertEqual(answer.status, 200)

    def wait_for_state(self, device, timeout=10.0):
        """Polls the state until the device answers; bounded by timeout."""
        deadline = time.monotonic() + timeout
        while True:
            try:
                return wire.exchange(device.address, device.http_port, state_get(device.address))
            except (ConnectionError, EOFError):
                if time.monotonic() > deadline:
                    raise
                time.sleep(0.05)  # polling cadence, as a client waiting for a restart would

    def test_silent_after_upload_then_reports_the_new_version(self):
        for mode, failure in (("refuse", ConnectionRefusedError),
                              ("drop", (ConnectionResetError, EOFError))):
            with self.subTest(mode=mode), testlib.start_fleet(
                    [testlib.pick_loopback_address()], "--restart", "1.5", "--restart-mode",
                    mode, "--version-after", "1.0.13", http_port=0, firmware_port=0) as device:
                self.upload(device)
                [restart] = device.wait_for_kind(device.address, "restart")
                self.assertEqual((restart["mode"], restart["seconds"]), (mode, 1.5))
                with self.assertRaises(failure):
                    wire.exchange(device.address, device.http_port, state_get(device.address))
                started = time.monotonic()
                answer = self.wait_for_state(device)
                self.assertGreater(time.monotonic() - started, 0.5)
                self.assertEqual(json.loads(answer.body)["globals"]["ZEDEZVer"], "1.0.13")


class Process(unittest.TestCase):
    def test_ready_and_clean_end_on_sigterm_with_a_stalled_connection(self):
        with testlib.start_simulator("--on-accept", "http=stall") as device, \
                socket.create_connection((device.address, device.http_port), timeout=10):
            device.wait_for_records(1)
            self.assertEqual(device.stop(), 0)

    def test_taken_port_names_the_cause(self):
        # Tests stay on loopback, so the holder takes the simulator's own address here; a
        # holder on all addresses (a distribution's nginx) is named as such instead.
        address = testlib.pick_loopback_address()
        holder = socket.socket()
        holder.bind((address, 0))
        holder.listen()
        port = holder.getsockname()[1]
        with holder, self.assertRaises(testlib.PortInUse) as caught:
            testlib.start_simulator(address=address, http_port=port)
        self.assertIn(f"port {port} on {address} is in use", str(caught.exception))
        self.assertIn("python", str(caught.exception))  # the holder's process name

    def test_binding_port_80_without_rights_says_so(self):
        if os.geteuid() != 0:
            self.skipTest("needs root to drop to an unprivileged user")
        with open("/proc/sys/net/ipv4/ip_unprivileged_port_start") as f:
            if int(f.read()) <= 80:
                self.skipTest("unprivileged users may bind port 80 here")
        python = "/usr/bin/python3" if os.path.exists("/usr/bin/python3") else sys.executable
        # The checkout may be unreadable to that user (root's home): it runs a copy.
        with tempfile.TemporaryDirectory() as copy:
            os.chmod(copy, 0o755)
            for name in ("device_simulator.py", "serverlib.py"):
                shutil.copy(os.path.join(testlib.TOOLS_DIR, name), copy)
                os.chmod(os.path.join(copy, name), 0o644)
            result = subprocess.run(
                ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", python,
                 os.path.join(copy, "device_simulator.py"), testlib.pick_loopback_address()],
                capture_output=True, text=True, timeout=30, cwd=copy)
        self.assertEqual(result.returncode, testlib.EXIT_NO_RIGHTS, result.stderr)
        self.assertIn("no rights to bind port 80", result.stderr)

    def test_default_ports(self):
        """The product's ports 80 and 8080 (root, or a lowered unprivileged port start)."""
        with testlib.start_simulator(http_port=80, firmware_port=8080) as device:
            self.assertEqual(device.ports, [80, 8080])
            code, out, err = curl(f"http://{device.address}/api/state")
            self.assertEqual(code, 0, err)


class FullListener(unittest.TestCase):
    def test_connects_neither_succeed_nor_fail(self):
        with testlib.start_full_listener() as listener:
            probe = socket.socket()
            probe.settimeout(1.0)
            with probe, self.assertRaises(TimeoutError):
                probe.connect((listener.address, listener.port))


if __name__ == "__main__":
    unittest.main()
