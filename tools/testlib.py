"""Starting and reading the test counterparts from Python tests.

    import sys; sys.path.insert(0, "<repo>/tools")
    import testlib

    with testlib.start_simulator("--version", "v1.0.12") as device:
        # device.address, device.http_port, device.firmware_port
        ...  # run the client against it
        [record] = device.wait_for_records(1)
        testlib.head_of(record)   # exact bytes of request line and headers
        testlib.body_of(record)   # exact body bytes

Every wait is bounded; a tool that does not get ready in time is killed and its standard
error is part of the raised exception.
"""

import base64
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading


def whole_records(path):
    """The JSON lines of a record file that the simulator has finished writing: a last line
    without its line feed is still being written and is left for the next read."""
    try:
        with open(path) as f:
            text = f.read()
    except FileNotFoundError:
        return []
    lines = text.split("\n")
    return [json.loads(line) for line in lines[:-1] if line.strip()]


TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))

EXIT_PORT_IN_USE = 3
EXIT_NO_RIGHTS = 4

READY_TIMEOUT = 30.0
STOP_TIMEOUT = 10.0
RECORD_TIMEOUT = 10.0
MAX_LIFETIME = 900


class ToolError(Exception):
    pass


class PortInUse(ToolError):
    pass


def pick_loopback_address():
    """A random address of 127.0.0.0/8 other than 127.0.0.1, for one test's counterparts."""
    return f"127.{random.randint(1, 254)}.{random.randint(1, 254)}.{random.randint(2, 254)}"


def head_of(record):
    return base64.b64decode(record["head_b64"])


def body_of(record):
    return base64.b64decode(record.get("body_b64", ""))


class Tool:
    """One running counterpart with its own record file and control file."""

    def __init__(self, script, args, config=None):
        self.script = script
        self.workdir = tempfile.mkdtemp(prefix=f"{os.path.splitext(script)[0]}-")
        self.record_path = os.path.join(self.workdir, "records.jsonl")
        self.config_path = os.path.join(self.workdir, "control.json")
        if config is not None:
            self.set_config(config)
        self.argv = [sys.executable, os.path.join(TOOLS_DIR, script), *args,
                     "--record", self.record_path, "--config", self.config_path,
                     "--announce-records", "--max-lifetime", str(MAX_LIFETIME)]
        self.process = None
        self.address = None
        self.ports = []
        self._announced = 0
        self.devices = {}
        self._changed = threading.Condition()
        self._ready = False
        self._stdout_done = False
        self._stderr = []

    def start(self, timeout=READY_TIMEOUT):
        self.process = subprocess.Popen(self.argv, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        text=True, bufsize=1)
        threading.Thread(target=self._read_stdout, daemon=True).start()
        threading.Thread(target=self._read_stderr, daemon=True).start()
        with self._changed:
            self._changed.wait_for(lambda: self._ready or self._stdout_done, timeout)
            ready = self._ready
        if not ready:
            code = self._finish(STOP_TIMEOUT)
            message = f"{self.script} did not get ready (exit code {code}): {self.stderr()}"
            if code == EXIT_PORT_IN_USE:
                raise PortInUse(message)
            raise ToolError(message)
        return self

    def _read_stdout(self):
        for line in self.process.stdout:
            words = line.split()
            with self._changed:
                if words and words[0] == "device":
                    self.devices[words[1]] = [int(w) for w in words[2:]]
                elif words and words[0] == "ready" and not self._ready:
                    self.address = words[1]
                    self.ports = [int(w) for w in words[2:]]
                    self._ready = True
                elif words and words[0] == "record":
                    self._announced = max(self._announced, int(words[1]))
                self._changed.notify_all()
        self.process.stdout.close()
        with self._changed:
            self._stdout_done = True
            self._changed.notify_all()

    def _read_stderr(self):
        for line in self.process.stderr:
            self._stderr.append(line)
        self.process.stderr.close()

    def stderr(self):
        return "".join(self._stderr).strip()

    def set_config(self, config):
        """Replaces the control file at once; the tool reads it at its next request."""
        temporary = self.config_path + ".new"
        with open(temporary, "w") as f:
            json.dump(config, f)
        os.replace(temporary, self.config_path)

    def records(self):
        return whole_records(self.record_path)

    def wait_for_records(self, count, timeout=RECORD_TIMEOUT, kind=None):
        """Waits until at least count records (of kind, when given) exist; returns them."""
        def enough():
            if kind is None:
                return self._announced >= count
            return sum(1 for r in self.records() if r.get("kind") == kind) >= count

        with self._changed:
            if not self._changed.wait_for(lambda: enough() or self._stdout_done, timeout) \
                    or not enough():
                raise ToolError(f"{self.script}: expected {count} records"
                                f"{' of kind ' + kind if kind else ''}, "
                                f"have {len(self.records())}: {self.stderr()}")
        records = self.records()
        return [r for r in records if kind is None or r.get("kind") == kind]

    def stop(self, timeout=STOP_TIMEOUT):
        """SIGTERM, then SIGKILL if it does not end in time. Returns the exit code."""
        code = self._finish(timeout)
        shutil.rmtree(self.workdir, ignore_errors=True)
        return code

    def _finish(self, timeout):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(timeout)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(timeout)
        return self.process.returncode

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


class Simulator(Tool):
    @property
    def http_port(self):
        return self.ports[0]

    @property
    def firmware_port(self):
        return self.ports[1]

    def url(self, path, firmware=False):
        port = self.firmware_port if firmware else self.http_port
        return f"http://{self.address}:{port}{path}"


class Fleet(Simulator):
    """Several simulated devices in one process, each with its own record file; the port
    properties are the first device's."""

    def __init__(self, script, args, config=None):
        super().__init__(script, args, config)
        self.record_path = os.path.join(self.workdir, "{address}.jsonl")
        self.argv[self.argv.index("--record") + 1] = self.record_path

    @property
    def addresses(self):
        return list(self.devices) or [self.address]

    def records(self, address=None):
        """One device's records, or with no address every device's, by address."""
        if address is None:
            return {a: self.records(a) for a in self.addresses}
        return whole_records(self.record_path.replace("{address}", address))

    def wait_for_kind(self, address, kind, count=1, timeout=RECORD_TIMEOUT):
        """Waits (bounded) until address has count records of kind; returns them."""
        def found():
            return [r for r in self.records(address) if r.get("kind") == kind]

        with self._changed:
            self._changed.wait_for(lambda: len(found()) >= count or self._stdout_done, timeout)
        records = found()
        if len(records) < count:
            raise ToolError(f"{address}: expected {count} {kind} records, have "
                            f"{len(records)}: {self.stderr()}")
        return records


class SinglePortTool(Tool):
    @property
    def port(self):
        return self.ports[0]


def start_fleet(addresses, *options, http_port=80, firmware_port=8080, config=None):
    """One simulator process serving a device on each address (by default on the product's
    ports, so root). config may hold {"devices": {address: overlay}} for each device's own
    behaviour."""
    tool = Fleet("device_simulator.py",
                 [*addresses, "--http-port", str(http_port), "--firmware-port",
                  str(firmware_port), *options], config)
    try:
        return tool.start()
    except BaseException:
        shutil.rmtree(tool.workdir, ignore_errors=True)
        raise


def _start(cls, script, address, port_args, options, config, attempts=5):
    """Starts a tool; with no address given, a port clash moves it to another address."""
    for attempt in range(attempts):
        chosen = address or pick_loopback_address()
        tool = cls(script, [chosen, *port_args, *options], config)
        try:
            return tool.start()
        except PortInUse:
            shutil.rmtree(tool.workdir, ignore_errors=True)
            if address or attempt == attempts - 1:
                raise
        except BaseException:
            shutil.rmtree(tool.workdir, ignore_errors=True)
            raise


def start_simulator(*options, address=None, http_port=0, firmware_port=0, config=None):
    """Device simulator; ports 0 pick free ones (80 and 8080 need root)."""
    return _start(Simulator, "device_simulator.py", address,
                  ["--http-port", str(http_port), "--firmware-port", str(firmware_port)],
                  options, config)


def start_proxy(*options, address=None, port=0, config=None):
    return _start(SinglePortTool, "recording_proxy.py", address, ["--port", str(port)],
                  options, config)


def start_tls_service(*options, address=None, port=0, config=None):
    return _start(SinglePortTool, "tls_service.py", address, ["--port", str(port)],
                  options, config)


def start_full_listener(address=None, port=0):
    """A listener whose accept queue is full: connects to it hang until the client gives up."""
    return _start(SinglePortTool, "full_listener.py", address, ["--port", str(port)], [], None)
