"""Pieces shared by the test counterparts: loopback listeners with clear bind errors,
reading HTTP requests byte for byte, configurable answers, the record file and the
process frame (ready line, SIGTERM, bounded lifetime).

Only the Python 3 standard library is used.
"""

import argparse
import base64
import errno
import hashlib
import ipaddress
import json
import os
import signal
import socket
import struct
import sys
import threading
import time

EXIT_USAGE = 2
EXIT_PORT_IN_USE = 3
EXIT_NO_RIGHTS = 4
EXIT_BIND_FAILED = 5

LOOPBACK = ipaddress.ip_network("127.0.0.0/8")

MAX_HEAD_BYTES = 64 * 1024
MAX_BODY_BYTES = 256 * 1024 * 1024
IDLE_TIMEOUT = 60.0
DEFAULT_STALL_SECONDS = 300.0

REASONS = {
    200: "OK", 201: "Created", 202: "Accepted", 204: "No Content", 301: "Moved Permanently",
    302: "Found", 303: "See Other", 304: "Not Modified", 307: "Temporary Redirect",
    400: "Bad Request", 401: "Unauthorized", 403: "Forbidden", 404: "Not Found",
    405: "Method Not Allowed", 407: "Proxy Authentication Required", 408: "Request Timeout",
    411: "Length Required", 413: "Payload Too Large", 500: "Internal Server Error",
    501: "Not Implemented", 502: "Bad Gateway", 503: "Service Unavailable",
    504: "Gateway Timeout",
}


def fail(message, code):
    print(f"{os.path.basename(sys.argv[0])}: {message}", file=sys.stderr, flush=True)
    sys.exit(code)


def loopback_address(text):
    """argparse type: an IPv4 address inside 127.0.0.0/8."""
    try:
        address = ipaddress.IPv4Address(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"{text!r} is not an IPv4 address")
    if address not in LOOPBACK:
        raise argparse.ArgumentTypeError(f"{text} is outside 127.0.0.0/8; only loopback is served")
    return str(address)


def port_number(text):
    value = int(text)
    if not 0 <= value <= 65535:
        raise argparse.ArgumentTypeError(f"port {text} is out of range")
    return value


def add_common_options(parser):
    parser.add_argument("--record", metavar="FILE",
                        help="append one JSON line per request received to FILE")
    parser.add_argument("--config", metavar="FILE",
                        help="JSON control file, read again whenever it changes")
    parser.add_argument("--announce-records", action="store_true",
                        help="print 'record SEQ KIND' on stdout after each record is written")
    parser.add_argument("--max-lifetime", type=float, default=0, metavar="SECONDS",
                        help="end by itself after this long (0: run until SIGTERM)")


# --- listening -----------------------------------------------------------------------------

def _listeners_on_port(port):
    """(address, inode) of every IPv4/IPv6 TCP socket listening on port."""
    found = []
    for table, width in (("/proc/net/tcp", 8), ("/proc/net/tcp6", 32)):
        try:
            with open(table) as f:
                next(f)
                for line in f:
                    fields = line.split()
                    local, state, inode = fields[1], fields[3], fields[9]
                    hex_address, hex_port = local.split(":")
                    if state != "0A" or int(hex_port, 16) != port:
                        continue
                    raw = bytes.fromhex(hex_address)
                    if width == 8:
                        address = socket.inet_ntop(socket.AF_INET, raw[::-1])
                    else:
                        words = struct.unpack("<4I", raw)
                        address = socket.inet_ntop(socket.AF_INET6, struct.pack(">4I", *words))
                    found.append((address, inode))
        except OSError:
            pass
    return found


def _process_of_inode(inode):
    target = f"socket:[{inode}]"
    try:
        pids = [p for p in os.listdir("/proc") if p.isdigit()]
    except OSError:
        return None
    for pid in pids:
        fd_dir = f"/proc/{pid}/fd"
        try:
            for fd in os.listdir(fd_dir):
                if os.readlink(f"{fd_dir}/{fd}") == target:
                    with open(f"/proc/{pid}/comm") as f:
                        return f"{f.read().strip()} (pid {pid})"
        except OSError:
            continue
    return None


def describe_port_in_use(address, port):
    listeners = _listeners_on_port(port)
    wildcard = [(a, i) for a, i in listeners if a in ("0.0.0.0", "::")]
    if wildcard:
        owner = _process_of_inode(wildcard[0][1])
        who = f"{owner} listens" if owner else "a server listens"
        return (f"port {port} on {address} is in use: {who} on port {port} of all addresses "
                f"(a web server listening on all addresses, such as a distribution's nginx, "
                f"blocks it; stop that service)")
    exact = [(a, i) for a, i in listeners if a == address]
    if exact:
        owner = _process_of_inode(exact[0][1])
        who = owner or "another process"
        return f"port {port} on {address} is in use: {who} already listens there"
    return f"port {port} on {address} is in use (a connection or socket still holds it)"


def try_listen(address, port, backlog=64):
    """A listening socket on address:port; raises OSError when it cannot be had."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        sock.bind((address, port))
        sock.listen(backlog)
    except OSError:
        sock.close()
        raise
    return sock


def listen(address, port, backlog=64):
    """A listening socket on address:port, or exit naming why it cannot be had."""
    try:
        return try_listen(address, port, backlog)
    except OSError as e:
        if e.errno == errno.EADDRINUSE:
            fail(describe_port_in_use(address, port), EXIT_PORT_IN_USE)
        if e.errno == errno.EACCES:
            try:
                with open("/proc/sys/net/ipv4/ip_unprivileged_port_start") as f:
                    start = f.read().strip()
            except OSError:
                start = "unknown"
            fail(f"no rights to bind port {port} on {address}: ports below "
                 f"net.ipv4.ip_unprivileged_port_start ({start}) need root; run as root or "
                 f"choose higher ports with the port options", EXIT_NO_RIGHTS)
        if e.errno == errno.EADDRNOTAVAIL:
            fail(f"cannot bind {address}:{port}: address not available on this machine",
                 EXIT_BIND_FAILED)
        fail(f"cannot bind {address}:{port}: {e.strerror}", EXIT_BIND_FAILED)


# --- records -------------------------------------------------------------------------------

def b64(data):
    return base64.b64encode(bytes(data)).decode("ascii")


class Recorder:
    """Appends one JSON object per line; every line is complete once write() returns.
    A path naming {address} gives each device (the record's "device") a file of its own."""

    def __init__(self, path, announce):
        self.path = path
        self.announce = announce
        self.lock = threading.Lock()
        self.seq = 0
        self.files = {}

    def _fd_for(self, device):
        path = self.path.replace("{address}", device or "unknown")
        if path not in self.files:
            self.files[path] = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o644)
        return self.files[path]

    def write(self, record):
        with self.lock:
            self.seq += 1
            record = {"seq": self.seq, "time": round(time.time(), 6), **record}
            if self.path:
                line = (json.dumps(record, ensure_ascii=True) + "\n").encode("ascii")
                view = memoryview(line)
                fd = self._fd_for(record.get("device"))
                while view:
                    written = os.write(fd, view)
                    view = view[written:]
            if self.announce:
                device = f" {record['device']}" if "device" in record else ""
                say(f"record {self.seq} {record.get('kind', '-')}{device}")
            return self.seq

    def quiesce(self):
        """Hold the lock for good so that no half line is left when the process ends."""
        self.lock.acquire()


def say(line):
    try:
        sys.stdout.write(line + "\n")
        sys.stdout.flush()
    except (OSError, ValueError):
        pass


# --- control file --------------------------------------------------------------------------

def merge(base, overlay):
    """Overlay wins; dictionaries are merged one level deep."""
    result = dict(base)
    for key, value in overlay.items():
        if isinstance(value, dict) and isinstance(result.get(key), dict):
            result[key] = {**result[key], **value}
        else:
            result[key] = value
    return result


class Config:
    """Command-line settings, overlaid by the JSON control file when one is given."""

    def __init__(self, base, path):
        self.base = base
        self.path = path
        self.lock = threading.Lock()
        self.stamp = None
        self.current = base
        self.counters = {}

    def get(self):
        if not self.path:
            return self.base
        with self.lock:
            try:
                st = os.stat(self.path)
                stamp = (st.st_mtime_ns, st.st_size, st.st_ino)
            except FileNotFoundError:
                stamp = None
            if stamp != self.stamp:
                self.stamp = stamp
                self.counters = {}
                if stamp is None:
                    self.current = self.base
                else:
                    try:
                        with open(self.path, "rb") as f:
                            overlay = json.loads(f.read().decode("utf-8") or "{}")
                        self.current = merge(self.base, overlay)
                    except (OSError, ValueError) as e:
                        print(f"ignoring control file {self.path}: {e}", file=sys.stderr,
                              flush=True)
            return self.current

    def next_index(self, key):
        """How many times key was asked for before (for answer sequences)."""
        with self.lock:
            n = self.counters.get(key, 0)
            self.counters[key] = n + 1
            return n


def pick(reply_plan, index):
    """A list of answers is used in order, counted from the last change of the control
    file; its last item repeats."""
    if isinstance(reply_plan, list):
        if not reply_plan:
            return {}
        return reply_plan[min(index, len(reply_plan) - 1)]
    return reply_plan or {}


# --- reading requests ----------------------------------------------------------------------

class PeerClosed(Exception):
    pass


class Request:
    def __init__(self):
        self.head = b""
        self.body = bytearray()
        self.method = ""
        self.target = ""
        self.version = ""
        self.headers = []
        self.complete = False
        self.error = None

    def header(self, name):
        name = name.lower()
        for key, value in self.headers:
            if key.lower() == name:
                return value
        return None

    @property
    def path(self):
        return self.target.split("?", 1)[0]

    @property
    def query(self):
        return self.target.split("?", 1)[1] if "?" in self.target else ""

    def content_length(self):
        value = self.header("Content-Length")
        if value is None:
            return None
        value = value.strip()
        if not value.isdigit():
            raise ValueError(f"bad Content-Length {value!r}")
        return int(value)

    def wants_keep_alive(self):
        connection = (self.header("Connection") or "").strip().lower()
        tokens = {t.strip() for t in connection.split(",")}
        if self.version == "HTTP/1.1":
            return "close" not in tokens
        return "keep-alive" in tokens

    def record(self, include_body=True):
        request_line = self.head.split(b"\r\n", 1)[0]
        result = {
            "method": self.method,
            "target": self.target,
            "version": self.version,
            "request_line": request_line.decode("latin-1"),
            "headers": [[k, v] for k, v in self.headers],
            "head_b64": b64(self.head),
            "body_length": len(self.body),
            "body_sha256": hashlib.sha256(self.body).hexdigest(),
            "complete": self.complete,
        }
        if include_body:
            result["body_b64"] = b64(self.body)
        if self.error:
            result["error"] = self.error
        return result


class Reader:
    """Buffered reads from a socket (plain or TLS) that keep every byte."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = bytearray()

    def fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise PeerClosed()
        self.buffer += data

    def read_head(self):
        """The request line and headers up to and including the empty line.
        None when the peer closes before sending anything."""
        while True:
            end = self.buffer.find(b"\r\n\r\n")
            if end >= 0:
                end += 4
                head = bytes(self.buffer[:end])
                del self.buffer[:end]
                return head
            if len(self.buffer) > MAX_HEAD_BYTES:
                raise ValueError("request head too long")
            try:
                self.fill()
            except PeerClosed:
                if self.buffer:
                    raise
                return None

    def read_request(self, request, before_body=None):
        """Fills request; before_body(request) may return a byte count after which
        reading stops early (None reads the whole body)."""
        head = self.read_head()
        if head is None:
            return False
        request.head = head
        lines = head[:-4].split(b"\r\n")
        parts = lines[0].decode("latin-1").split(" ")
        if len(parts) != 3:
            request.error = "malformed request line"
            return True
        request.method, request.target, request.version = parts
        for line in lines[1:]:
            name, sep, value = line.decode("latin-1").partition(":")
            if not sep:
                request.error = f"malformed header line {line!r}"
                continue
            request.headers.append((name.strip(), value.strip()))
        if request.header("Transfer-Encoding"):
            request.error = "request bodies with Transfer-Encoding are not supported"
            return True
        try:
            length = request.content_length() or 0
        except ValueError as e:
            request.error = str(e)
            return True
        if length > MAX_BODY_BYTES:
            request.error = "request body too large"
            return True
        stop = before_body(request) if before_body else None
        wanted = length if stop is None else min(length, stop)
        if wanted > len(self.buffer) and request.version == "HTTP/1.1" and \
                (request.header("Expect") or "").strip().lower() == "100-continue":
            self.sock.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
        try:
            while len(self.buffer) < wanted:
                self.fill()
        except (PeerClosed, OSError) as e:
            request.body = self.buffer[:]
            self.buffer.clear()
            request.error = "peer closed during the body" if isinstance(e, PeerClosed) \
                else f"body read failed: {e}"
            return True
        request.body = self.buffer[:wanted]
        del self.buffer[:wanted]
        request.complete = stop is None or stop >= length
        return True


# --- answering -----------------------------------------------------------------------------

def spec_body(reply_plan, default=b""):
    if "body_b64" in reply_plan:
        return base64.b64decode(reply_plan["body_b64"])
    if "body_file" in reply_plan:
        with open(reply_plan["body_file"], "rb") as f:
            return f.read()
    if "body" in reply_plan:
        body = reply_plan["body"]
        return body.encode("utf-8") if isinstance(body, str) else json.dumps(body).encode()
    return default


def build_response(reply_plan, request, default_status=200, default_body=b"",
                   default_headers=()):
    """Bytes of the answer and whether the connection stays open after it."""
    if "raw_b64" in reply_plan or "raw" in reply_plan:
        raw = base64.b64decode(reply_plan["raw_b64"]) if "raw_b64" in reply_plan \
            else reply_plan["raw"].encode("utf-8")
        return raw, bool(reply_plan.get("keep", False))
    status = int(reply_plan.get("status", default_status))
    reason = reply_plan.get("reason", REASONS.get(status, "Status"))
    body = spec_body(reply_plan, default_body)
    version = reply_plan.get("http_version", "HTTP/1.1")
    keep = request.wants_keep_alive() if request is not None else False
    connection = reply_plan.get("connection", "auto")
    if connection == "close":
        keep = False
    elif connection == "keep-alive":
        keep = True
    headers = []
    if "content_type" in reply_plan:
        if reply_plan["content_type"]:
            headers.append(("Content-Type", reply_plan["content_type"]))
    else:
        headers.extend(h for h in default_headers if h[0].lower() == "content-type")
    headers.extend(tuple(h) for h in reply_plan.get("headers", []))
    with_length = not reply_plan.get("no_content_length", False)
    if with_length:
        headers.append(("Content-Length", str(len(body))))
    else:
        keep = False
    if connection == "auto":
        if not keep:
            headers.append(("Connection", "close"))
        elif request is not None and request.version == "HTTP/1.0":
            headers.append(("Connection", "keep-alive"))
    elif connection:
        headers.append(("Connection", connection))
    lines = [f"{version} {status} {reason}"] + [f"{k}: {v}" for k, v in headers]
    head = ("\r\n".join(lines) + "\r\n\r\n").encode("utf-8")
    return head + body, keep


def abort(sock, how):
    """Ends a connection without an answer: 'close' sends FIN, 'reset' sends RST."""
    try:
        if how == "reset":
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        else:
            sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()


def stall(sock, seconds, stop_event):
    """Keeps the connection open and silent until the peer closes, the time runs out
    or the process ends. Whatever arrives is read and dropped."""
    deadline = time.monotonic() + seconds
    try:
        while not stop_event.is_set():
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                break
            sock.settimeout(min(remaining, 1.0))
            try:
                if not sock.recv(65536):
                    break
            except socket.timeout:
                continue
    except OSError:
        pass


def stall_unread(sock, seconds, stop_event):
    """Accepts and never reads: the peer's sends block once the buffers are full."""
    stop_event.wait(seconds)


def send_answer(sock, data, reply_plan, stop_event):
    """Sends data, honouring delay, drip and truncate of the reply_plan. Returns False when the
    connection was ended on purpose or failed."""
    delay = float(reply_plan.get("delay", 0))
    if delay > 0 and stop_event.wait(delay):
        return False
    truncate = reply_plan.get("truncate")
    if truncate is not None:
        data = data[:int(truncate)]
    drip_bytes = int(reply_plan.get("drip_bytes", 0))
    try:
        if drip_bytes > 0:
            interval = float(reply_plan.get("drip_interval", 0.1))
            for start in range(0, len(data), drip_bytes):
                sock.sendall(data[start:start + drip_bytes])
                if start + drip_bytes < len(data) and stop_event.wait(interval):
                    return False
        else:
            sock.sendall(data)
    except OSError:
        return False
    if truncate is not None:
        abort(sock, "close")
        return False
    return True


def apply_action(sock, reply_plan, stop_event):
    """Carries out an answer's action other than 'answer'. True when the connection is gone."""
    action = reply_plan.get("action", "answer")
    if action == "answer":
        return False
    delay = float(reply_plan.get("delay", 0))
    if delay > 0 and stop_event.wait(delay):
        return True
    if action == "stall":
        stall(sock, float(reply_plan.get("stall_seconds", DEFAULT_STALL_SECONDS)), stop_event)
        abort(sock, "close")
    elif action in ("close", "reset"):
        abort(sock, action)
    else:
        print(f"unknown action {action!r}; closing", file=sys.stderr, flush=True)
        abort(sock, "close")
    return True


def accept_action_of(action):
    """The accept action to carry out, or None to serve the connection."""
    if action in ("stall", "close", "reset"):
        return action
    if action and action != "serve":
        print(f"unknown accept action {action!r}; serving", file=sys.stderr, flush=True)
    return None


def on_accept(sock, action, stop_event, seconds=DEFAULT_STALL_SECONDS):
    """Carries out an accept action (see accept_action_of) before anything is read."""
    if action == "stall":
        stall_unread(sock, seconds, stop_event)
        abort(sock, "close")
    else:
        abort(sock, action)


# --- process frame -------------------------------------------------------------------------

class Listener:
    """One listening socket that can be closed for a while (connects are then refused)
    and opened again on the same address and port."""

    def __init__(self, sock, handler, label):
        self.sock = sock
        self.handler = handler
        self.label = label
        self.address, self.port = sock.getsockname()[:2]
        self.open = threading.Condition()
        self.closed_for_now = False

    def close_for(self, seconds, stop_event):
        """Closes the socket now and listens again after seconds (in the background)."""
        with self.open:
            if self.closed_for_now:
                return
            self.closed_for_now = True
            shut(self.sock)
        threading.Thread(target=self._reopen_after, args=(seconds, stop_event),
                         daemon=True).start()

    def close_until_reopened(self):
        """Closes the socket now, until reopen()."""
        with self.open:
            if self.closed_for_now:
                return
            self.closed_for_now = True
            shut(self.sock)

    def reopen(self, stop_event):
        """Listens again at once, when closed."""
        with self.open:
            if not self.closed_for_now:
                return
        self._reopen_after(0, stop_event)

    def _reopen_after(self, seconds, stop_event):
        if stop_event.wait(seconds):
            return
        for _ in range(100):  # bounded: a port that stays taken ends the retries
            try:
                sock = try_listen(self.address, self.port)
                break
            except OSError:
                if stop_event.wait(0.05):
                    return
        else:
            print(f"cannot listen again on {self.address}:{self.port}", file=sys.stderr,
                  flush=True)
            return
        with self.open:
            self.sock = sock
            self.closed_for_now = False
            self.open.notify_all()

    def wait_until_open(self, stop_event):
        with self.open:
            while self.closed_for_now and not stop_event.is_set():
                self.open.wait(0.5)


def shut(sock):
    try:
        sock.shutdown(socket.SHUT_RDWR)
    except OSError:
        pass
    sock.close()


class Server:
    """Accepts on several listeners, one thread per connection, until SIGTERM/SIGINT or the
    lifetime runs out."""

    def __init__(self, recorder, max_lifetime=0):
        self.recorder = recorder
        self.max_lifetime = max_lifetime
        self.stop_event = threading.Event()
        self.listeners = []
        self.connection_count = 0
        self.count_lock = threading.Lock()

    def add(self, sock, handler, label):
        listener = Listener(sock, handler, label)
        self.listeners.append(listener)
        return listener

    def next_connection_id(self):
        with self.count_lock:
            self.connection_count += 1
            return self.connection_count

    def _accept_loop(self, listener):
        while not self.stop_event.is_set():
            try:
                conn, peer = listener.sock.accept()
            except OSError:
                if self.stop_event.is_set():
                    return
                listener.wait_until_open(self.stop_event)
                continue
            conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            conn.settimeout(IDLE_TIMEOUT)
            connection_id = self.next_connection_id()
            thread = threading.Thread(target=self._run_handler,
                                      args=(listener.handler, conn, peer, listener.label,
                                            connection_id),
                                      daemon=True)
            thread.start()

    def _run_handler(self, handler, conn, peer, label, connection_id):
        try:
            handler(conn, peer, label, connection_id)
        except Exception as e:  # a broken connection must not end the server
            print(f"connection {connection_id} on {label}: {type(e).__name__}: {e}",
                  file=sys.stderr, flush=True)
        finally:
            try:
                conn.close()
            except OSError:
                pass

    def run(self, ready_line):
        # The signals are taken synchronously by this thread; every other thread inherits
        # the blocked mask, so no handler can interrupt a thread holding a lock.
        stop_signals = {signal.SIGTERM, signal.SIGINT}
        signal.pthread_sigmask(signal.SIG_BLOCK, stop_signals)
        for listener in self.listeners:
            threading.Thread(target=self._accept_loop, args=(listener,), daemon=True).start()
        say(ready_line)
        if self.max_lifetime > 0:
            signal.sigtimedwait(stop_signals, self.max_lifetime)
        else:
            signal.sigwait(stop_signals)
        self.stop_event.set()
        for listener in self.listeners:
            with listener.open:
                shut(listener.sock)
        self.recorder.quiesce()
        sys.stdout.flush()
        os._exit(0)
