"""The real updater, unattended and without a display, against devices that misbehave on
purpose: one that streams an endless state reply, one that answers the upload with 300 MB,
one that never reads the upload, one that stalls, one that trickles, floods with interim
replies and cookies, sends a document of millions of values, or writes escapes into its
version. Each run must end by itself within the time limits and deadlines of its requests,
print its status line, and stay small, as the child's own accounting (wait4's peak resident
size) tells. Signals end a run with the record of what was under way.

Loopback only; every loop and every wait is bounded.
"""

import errno
import json
import os
import random
import selectors
import signal
import socket
import tempfile
import threading
import time
import unittest

UPDATER = os.environ.get("ZEDEZ_UPDATER", "")

OK = "OK. ORP sa reštartuje, a o chvíľu bude pripravená."
FAILED = "Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !"

MB = 1024 * 1024
# A sanitized build's shadow memory and quarantine of freed blocks come on top.
PEAK_LIMIT_KB = (200 if os.environ.get("ZEDEZ_SANITIZED") else 100) * 1024
# A child past this is killed at once, so that a fault cannot exhaust the machine.
KILL_RSS_KB = 600 * 1024
HUGE_REPLY_BYTES = 300 * 1000 * 1000
ENDLESS_CAP_BYTES = 64 * 1024 * MB  # "endless": far beyond anything a client should take
STATE = b'{"globals":{"ZEDEZVer":"1.0.9"}}'  # version 109: uploads without a question
MAX_HEAD = 64 * 1024
DEVICE_PATIENCE = 420.0  # the longest any device connection is kept open


def answer_head(status, *headers):
    lines = [f"HTTP/1.1 {status}", *headers, "", ""]
    return "\r\n".join(lines).encode("ascii")


class Connection:
    """The device's end of one accepted connection."""

    def __init__(self, sock, stop, device=None):
        self.sock = sock
        self.stop = stop
        self.device = device
        sock.settimeout(30.0)

    def read_request(self, with_body=True):
        """The request head, and its body when asked; None when the client went away."""
        data = b""
        while b"\r\n\r\n" not in data:
            if len(data) > MAX_HEAD:
                return None
            piece = self.sock.recv(65536)
            if not piece:
                return None
            data += piece
        head, _, rest = data.partition(b"\r\n\r\n")
        length = 0
        for line in head.split(b"\r\n")[1:]:
            name, _, value = line.partition(b":")
            if name.strip().lower() == b"content-length":
                length = int(value.strip())
        if with_body:
            while len(rest) < length:
                piece = self.sock.recv(min(1 * MB, length - len(rest)))
                if not piece:
                    return None
                rest += piece
        return head

    def send_repeated(self, piece, total):
        """Sends piece again and again, total bytes in all, until the client stops taking."""
        sent = 0
        try:
            while sent < total and not self.stop.is_set():
                chunk = piece[:total - sent]
                self.sock.sendall(chunk)
                sent += len(chunk)
        except OSError:
            pass
        return sent

    def hold(self):
        """Keeps the connection open without a word until the test ends."""
        self.stop.wait(DEVICE_PATIENCE)


def state_ok(connection):
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Content-Type: application/json",
                                            f"Content-Length: {len(STATE)}") + STATE)


def state_endless(connection):
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Content-Type: application/json"))
        connection.send_repeated(b"[" + b"1," * (MB // 2), ENDLESS_CAP_BYTES)


def state_stalls(connection):
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Content-Length: 1000") + b'{"glo')
        connection.hold()


def firmware_ok(connection):
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Connection: close", "Content-Length: 2")
                                + b"OK")


def firmware_huge_reply(connection):
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Content-Type: text/plain",
                                            f"Content-Length: {HUGE_REPLY_BYTES}"))
        connection.send_repeated(b"x" * MB, HUGE_REPLY_BYTES)


def firmware_never_reads(connection):
    connection.hold()


def state_trickles(connection):
    """A byte a second, inside every read limit, for ever."""
    if connection.read_request() is not None:
        connection.sock.sendall(answer_head("200 OK", "Content-Length: 100000"))
        while not connection.stop.wait(1.0):
            connection.sock.sendall(b" ")


def state_interim_flood(connection, cookies=0):
    """Interim replies without end, each with `cookies` Set-Cookie lines of 8 KB."""
    if connection.read_request() is not None:
        head = answer_head("100 Continue", *(f"Set-Cookie: c{i}={'x' * 8192}"
                                             for i in range(cookies)))
        connection.send_repeated(head, ENDLESS_CAP_BYTES)


def state_cookie_flood(connection):
    state_interim_flood(connection, cookies=200)


def state_value_flood(connection):
    """Just under the reply limit of [] values: a third of a million of them."""
    if connection.read_request() is not None:
        body = b"[" + b"[]," * (MB // 3 - 2) + b"[]]"
        connection.sock.sendall(answer_head("200 OK", f"Content-Length: {len(body)}") + body)


def state_injects(connection):
    if connection.read_request() is not None:
        body = (b'{"globals":{"ZEDEZVer":"1.0.9\\n127.0.7.7 injected\\u001b[2J'
                b'\\u061c\\u202e21.0.1"}}')
        connection.sock.sendall(answer_head("200 OK", f"Content-Length: {len(body)}") + body)


def firmware_reads_slowly(connection):
    """Takes the upload a kilobyte a second after saying that it has begun."""
    if connection.read_request(with_body=False) is not None:
        connection.device.upload_begun.set()
        while not connection.stop.wait(1.0):
            if not connection.sock.recv(1024):
                return


class HostileDevice:
    """Ports 80 and 8080 of a random loopback address, each answering with a behaviour."""

    def __init__(self, state, firmware, small_receive_buffer=False):
        self.stop = threading.Event()
        self.upload_begun = threading.Event()
        self.threads = []
        self.listeners = []
        for _ in range(20):
            self.address = (f"127.{random.randint(1, 254)}.{random.randint(1, 254)}."
                            f"{random.randint(2, 254)}")
            try:
                self.listeners = [self._listen(80), self._listen(8080, small_receive_buffer)]
                break
            except OSError as error:
                for listener in self.listeners:
                    listener.close()
                self.listeners = []
                if error.errno == errno.EACCES:
                    raise unittest.SkipTest("ports 80 and 8080 need root") from None
        if not self.listeners:
            raise RuntimeError("no free loopback address for the device")
        for listener, behaviour in zip(self.listeners, (state, firmware)):
            self._start(self._serve, listener, behaviour)

    def _listen(self, port, small_receive_buffer=False):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        try:
            if small_receive_buffer:
                # Set before listen, so that accepted connections advertise a small window and
                # small segments; the updater's send buffer then stays small as on a real
                # network, and the image cannot vanish into it.
                listener.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
                listener.setsockopt(socket.IPPROTO_TCP, socket.TCP_MAXSEG, 536)
            listener.bind((self.address, port))
            listener.listen(8)
            listener.settimeout(0.2)
        except OSError:
            listener.close()
            raise
        return listener

    def _start(self, target, *args):
        thread = threading.Thread(target=target, args=args, daemon=True)
        thread.start()
        self.threads.append(thread)

    def _serve(self, listener, behaviour):
        deadline = time.monotonic() + DEVICE_PATIENCE
        while not self.stop.is_set() and time.monotonic() < deadline:
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            except OSError:
                return
            self._start(self._handle, sock, behaviour)

    def _handle(self, sock, behaviour):
        with sock:
            try:
                behaviour(Connection(sock, self.stop, self))
            except OSError:
                pass

    def close(self):
        self.stop.set()
        for thread in self.threads:
            thread.join(5.0)
        for listener in self.listeners:
            listener.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class ManyRegisters:
    """Port 80 of every host address of a loopback /22. The registers at even addresses name a
    version of 5,000 characters, those at odd ones a version of almost a mebibyte (the reply
    stays under the updater's 1 MiB limit for any reply)."""

    LONG_VERSION = 5000
    HUGE_VERSION = MB - 256

    def __init__(self):
        self.stop = threading.Event()
        self.listeners = []
        self.answers = []
        for length in (self.LONG_VERSION, self.HUGE_VERSION):
            body = b'{"globals":{"ZEDEZVer":"1.0.9' + b"x" * (length - 5) + b'"}}'
            self.answers.append(answer_head("200 OK", "Content-Type: application/json",
                                            f"Content-Length: {len(body)}",
                                            "Connection: close") + body)
        for _ in range(20):
            base = f"127.{random.randint(1, 254)}.{random.randrange(0, 252, 4)}"
            self.cidr = f"{base}.0/22"
            first, second, third = (int(n) for n in base.split("."))
            try:
                for index in range(1, 1023):
                    address = f"{first}.{second}.{third + index // 256}.{index % 256}"
                    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
                    self.listeners.append(listener)
                    listener.bind((address, 80))
                    listener.listen(8)
                break
            except OSError as error:
                self._close_listeners()
                if error.errno == errno.EACCES:
                    raise unittest.SkipTest("port 80 needs root") from None
        if not self.listeners:
            raise RuntimeError("no free loopback /22 for the registers")
        self.selector = selectors.DefaultSelector()
        for listener in self.listeners:
            listener.setblocking(False)
            self.selector.register(listener, selectors.EVENT_READ)
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        deadline = time.monotonic() + DEVICE_PATIENCE
        while not self.stop.is_set() and time.monotonic() < deadline:
            for key, _ in self.selector.select(0.2):
                try:
                    sock, _ = key.fileobj.accept()
                except OSError:
                    continue
                huge = int(sock.getsockname()[0].rsplit(".", 1)[1]) % 2
                threading.Thread(target=self._answer, args=(sock, self.answers[huge]),
                                 daemon=True).start()

    def _answer(self, sock, answer):
        with sock:
            try:
                sock.setblocking(True)
                if Connection(sock, self.stop).read_request() is not None:
                    sock.sendall(answer)
            except OSError:
                pass

    def _close_listeners(self):
        for listener in self.listeners:
            listener.close()
        self.listeners = []

    def close(self):
        self.stop.set()
        self.thread.join(5.0)
        self.selector.close()
        self._close_listeners()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Run:
    """One unattended run of the updater, without a display, reaped with wait4."""

    def __init__(self, address, options=()):
        if not UPDATER:
            raise RuntimeError("ZEDEZ_UPDATER names no executable")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        env["QT_QPA_PLATFORM"] = "offscreen"
        if os.environ.get("ZEDEZ_SANITIZED"):
            # ASan keeps freed blocks in a quarantine of 256 MB by default, which a flood of
            # short-lived replies fills; a small one keeps the peak about what the program holds.
            env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":quarantine_size_mb=16"
        out_read, out_write = os.pipe()
        err_read, err_write = os.pipe()
        null = os.open(os.devnull, os.O_RDWR)
        try:
            self.pid = os.posix_spawn(UPDATER, [UPDATER, *options, address], env, file_actions=[
                (os.POSIX_SPAWN_DUP2, null, 0), (os.POSIX_SPAWN_DUP2, out_write, 1),
                (os.POSIX_SPAWN_DUP2, err_write, 2)])
        finally:
            os.close(out_write)
            os.close(err_write)
            os.close(null)
        self.errors = b""
        self.errors_changed = threading.Condition()
        threading.Thread(target=self._read_errors, args=(err_read,), daemon=True).start()
        self.started = time.monotonic()
        self.output = b""
        self.outcome = None
        self.watched_rss_kb = 0
        self.killed = False
        self.reader = threading.Thread(target=self._read, args=(out_read,), daemon=True)
        self.reaper = threading.Thread(target=self._reap, daemon=True)
        self.reader.start()
        self.reaper.start()

    def _read(self, fd):
        with os.fdopen(fd, "rb") as stream:
            self.output = stream.read(1 * MB)

    def _read_errors(self, fd):
        with os.fdopen(fd, "rb") as stream:
            while len(self.errors) < MB:
                piece = stream.read1(65536)
                if not piece:
                    break
                with self.errors_changed:
                    self.errors += piece
                    self.errors_changed.notify_all()
        with self.errors_changed:
            self.errors_changed.notify_all()

    def wait_for_error_text(self, text, timeout):
        """Waits (bounded) until standard error holds text."""
        with self.errors_changed:
            return self.errors_changed.wait_for(lambda: text in self.errors, timeout)

    def _reap(self):
        _, status, usage = os.wait4(self.pid, 0)
        self.outcome = (status, usage.ru_maxrss, time.monotonic() - self.started)

    def _rss_kb(self):
        try:
            with open(f"/proc/{self.pid}/status") as f:
                for line in f:
                    if line.startswith("VmRSS:"):
                        return int(line.split()[1])
        except OSError:
            pass
        return 0

    def finish(self, limit, kill_rss_kb=KILL_RSS_KB):
        """Waits at most limit seconds, watching the resident size; kills after that."""
        deadline = self.started + limit
        while self.reaper.is_alive() and time.monotonic() < deadline:
            self.reaper.join(0.1)
            self.watched_rss_kb = max(self.watched_rss_kb, self._rss_kb())
            if self.watched_rss_kb > kill_rss_kb:
                break
        if self.reaper.is_alive():
            self.killed = True
            os.kill(self.pid, 9)
            self.reaper.join(10.0)
        self.reader.join(10.0)
        return self.outcome

    @property
    def lines(self):
        return self.output.decode("utf-8", "replace").splitlines()

    @property
    def status_line(self):
        lines = self.output.decode("utf-8", "replace").splitlines()
        return lines[-1] if lines else ""


class HostileDevices(unittest.TestCase):
    def run_against(self, state, firmware, limit, small_receive_buffer=False, scan=False):
        with HostileDevice(state, firmware, small_receive_buffer) as device:
            # A scan asks the whole /24 around the device.
            run = Run(f"{device.address.rsplit('.', 1)[0]}.0/24", ["--scan"]) if scan \
                else Run(device.address)
            _, peak_kb, seconds = run.finish(limit)
        print(f"\n  {self.id().split('.')[-1]}: {seconds:.1f} s, peak resident "
              f"{peak_kb / 1024:.1f} MB{' (killed)' if run.killed else ''}: "
              f"{run.status_line!r}", flush=True)
        self.assertFalse(run.killed, f"the run did not end by itself within {limit} s "
                                     f"(resident size seen: {run.watched_rss_kb // 1024} MB)")
        self.assertLess(peak_kb, PEAK_LIMIT_KB)
        return run.status_line, seconds

    def test_endless_state_reply_is_cut_and_the_upload_goes_on(self):
        # The state query gives up at its reply limit, so the version counts as 0.
        status, _ = self.run_against(state_endless, firmware_ok, limit=60)
        self.assertEqual(status, OK)

    def test_scan_cuts_an_endless_state_reply_and_lists_no_register(self):
        status, _ = self.run_against(state_endless, firmware_ok, limit=60, scan=True)
        self.assertEqual(status, "")

    def test_state_reply_that_stalls_ends_with_the_read_limit(self):
        status, seconds = self.run_against(state_stalls, firmware_ok, limit=60)
        self.assertEqual(status, OK)
        self.assertGreaterEqual(seconds, 9.5)

    def test_huge_firmware_reply_fails_the_upload(self):
        status, _ = self.run_against(state_ok, firmware_huge_reply, limit=60)
        self.assertEqual(status, FAILED)

    def test_device_that_never_reads_the_upload_fails_it_within_the_read_limit(self):
        # Waits out the upload's read limit of 300 s: nothing else ends such a run.
        status, seconds = self.run_against(state_ok, firmware_never_reads, limit=380,
                                           small_receive_buffer=True)
        self.assertEqual(status, FAILED)
        self.assertGreaterEqual(seconds, 299)

    def test_a_state_reply_that_trickles_ends_at_the_query_deadline(self):
        # A byte a second never trips the read limit; the state query's deadline of 20 s ends
        # it, and the upload goes on as after any failed state query.
        status, seconds = self.run_against(state_trickles, firmware_ok, limit=60)
        self.assertEqual(status, OK)
        self.assertGreaterEqual(seconds, 19.5)
        self.assertLess(seconds, 40)

    def test_interim_reply_and_cookie_floods_end_soon_and_stay_small(self):
        for flood in (state_interim_flood, state_cookie_flood):
            with self.subTest(flood=flood.__name__):
                status, seconds = self.run_against(flood, firmware_ok, limit=30)
                self.assertEqual(status, OK)

    def test_a_document_of_a_third_of_a_million_values_is_no_document(self):
        status, _ = self.run_against(state_value_flood, firmware_ok, limit=60)
        self.assertEqual(status, OK)

    def test_sixty_four_devices_with_huge_documents_stay_under_a_gigabyte(self):
        devices = [HostileDevice(state_value_flood, firmware_ok) for _ in range(64)]
        try:
            with tempfile.NamedTemporaryFile("w", suffix=".txt") as listed:
                listed.write("\n".join(d.address for d in devices))
                listed.flush()
                run = Run(listed.name, ["--jobs", "64", "--wait-restart", "0", "--devices"])
                _, peak_kb, seconds = run.finish(120, kill_rss_kb=4 * 1024 * 1024)
        finally:
            for device in devices:
                device.close()
        print(f"\n  64 devices: {seconds:.1f} s, peak resident {peak_kb / 1024:.1f} MB", flush=True)
        self.assertFalse(run.killed)
        self.assertEqual(len(run.lines), 64)
        self.assertLess(peak_kb, (2048 if os.environ.get("ZEDEZ_SANITIZED") else 1024) * 1024)

    def test_a_device_cannot_write_lines_or_escapes_into_the_scan(self):
        with HostileDevice(state_injects, firmware_ok) as device:
            run = Run(f"{device.address}/32", ["--scan"])
            run.finish(30)
        self.assertEqual(run.lines, [f"{device.address} 1.0.9\\x0A127.0.7.7 injected\\x1B[2J"
                                     "\\u061C\\u202E21.0.1"])

    def test_a_scan_of_a_22_whose_registers_name_huge_versions_stays_small(self):
        with ManyRegisters() as registers:
            run = Run(registers.cidr, ["--json", "--scan"])
            _, peak_kb, seconds = run.finish(240, kill_rss_kb=4 * 1024 * 1024)
        print(f"\n  /22 of long and huge versions: {seconds:.1f} s, peak resident "
              f"{peak_kb / 1024:.1f} MB", flush=True)
        self.assertFalse(run.killed)
        found = [json.loads(line) for line in run.lines]
        # A document of a mebibyte is no register's; one with a long version is listed, on a
        # line that fits the list reader and says how long the text really was.
        self.assertEqual(len(found), 511)
        self.assertTrue(all(int(o["address"].rsplit(".", 1)[1]) % 2 == 0 for o in found))
        self.assertLess(max(len(line.encode()) for line in run.lines), 4096)
        self.assertEqual({(o["verdict"], o["versionLength"], len(o["versionText"]))
                          for o in found}, {("unreadable", ManyRegisters.LONG_VERSION, 128)})
        self.assertLess(peak_kb, PEAK_LIMIT_KB)

    def test_a_signal_ends_a_run_with_the_record_of_what_was_under_way(self):
        for sig, options in ((signal.SIGINT, []), (signal.SIGTERM, ["--devices"])):
            with self.subTest(signal=sig.name), HostileDevice(state_ok, firmware_reads_slowly) \
                    as device, tempfile.NamedTemporaryFile("w", suffix=".txt") as listed, \
                    tempfile.TemporaryDirectory() as directory:
                listed.write(device.address + "\n")
                listed.flush()
                record = os.path.join(directory, "record.jsonl")
                run = Run(listed.name if options else device.address,
                          ["--json", "--wait-restart", "0", "--record", record, *options])
                self.assertTrue(device.upload_begun.wait(30))
                # The first signal lets the upload finish; a second one, past the moment in
                # which a repeat counts as the same signal, cuts it off.
                os.kill(run.pid, sig)
                self.assertTrue(run.wait_for_error_text(b"the running ones finish", 30))
                time.sleep(0.6)
                os.kill(run.pid, sig)
                status, _, _ = run.finish(30)
                self.assertTrue(os.WIFSIGNALED(status) and os.WTERMSIG(status) == sig, status)
                [outcome] = [json.loads(line) for line in run.lines]
                self.assertEqual((outcome["address"], outcome["result"]),
                                 (device.address, "interrupted"))
                self.assertIn(f"interrupted by {sig.name}", outcome["status"])
                self.assertIn(f"uploads cut off: {device.address}".encode(), run.errors)
                # The version read before the upload stays in the record of the cut-off run.
                with open(record) as f:
                    [line] = map(json.loads, f)
                self.assertEqual((line["result"], line["versionBefore"], line["tries"]),
                                 ("interrupted", "1.0.9", 1))


if __name__ == "__main__":
    unittest.main()
