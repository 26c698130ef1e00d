#!/usr/bin/env python3
"""Stand-in for the Tesmora cash register's HTTP interface, for tests.

Serves GET /api/state, GET and POST /api/settings on the HTTP port and
POST /firmware?token=... on the firmware port of one or more loopback addresses (one
device each), answers as told by its options and control file, and records every request
byte for byte.

    device_simulator.py 127.0.0.80 [127.0.0.81 ...] [--http-port 80] [--firmware-port 8080]
        [--version TEXT | --version-number NUMBER | --no-globals | --no-version]
        [--state-file FILE] [--settings-file FILE] [--byte-order-mark] [--token TOKEN]
        [--status ENDPOINT=CODE] [--body ENDPOINT=TEXT] [--delay ENDPOINT=SECONDS]
        [--action ENDPOINT=stall|close|reset] [--on-accept PORT=stall|close|reset]
        [--restart SECONDS] [--restart-mode refuse|drop] [--version-after TEXT]
        [--lean-records] [--record FILE] [--config FILE] [--announce-records] [--max-lifetime SECONDS]

ENDPOINT is one of state, settings_get, settings_post, firmware, other; PORT is http or
firmware. Prints "ready ADDRESS HTTP_PORT FIRMWARE_PORT" once both ports listen; with
several addresses, a line "device ADDRESS HTTP_PORT FIRMWARE_PORT" for each comes first and
the ready line names the first.
"""

import argparse
import base64
import hmac
import json
import sys
import threading
import time
import urllib.parse

import serverlib

UPLOAD_TOKEN = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1"
DEFAULT_VERSION = "1.0.9"
DEFAULT_SETTINGS = b'{"timeout":1000,"x":1}'
ENDPOINTS = ("state", "settings_get", "settings_post", "firmware", "other")
RESTART_MODES = ("refuse", "drop")
DEFAULT_VERSION_AFTER = "1.0.12"
JSON_TYPE = ("Content-Type", "application/json")
TEXT_TYPE = ("Content-Type", "text/plain")
UTF8_BYTE_ORDER_MARK = b"\xef\xbb\xbf"


def state_document(config):
    """The state document's bytes: a raw override, or built from the version settings."""
    if "state_b64" in config:
        return base64.b64decode(config["state_b64"])
    if "state" in config:
        return config["state"].encode("utf-8")
    omit = config.get("omit")
    globals_text = '"serialNumber":"88812345678900001","model":"Tesmora"'
    if omit != "ZEDEZVer":
        if "version_json" in config:
            version = config["version_json"]
        else:
            version = json.dumps(config.get("version", DEFAULT_VERSION))
        globals_text = f'"ZEDEZVer":{version},' + globals_text
    if omit == "globals":
        return b'{"status":"ready","uptime":3600}'
    return f'{{"globals":{{{globals_text}}},"status":"ready","uptime":3600}}'.encode("utf-8")


def endpoint_of(request, port_label):
    path = request.path
    if port_label == "http":
        if path == "/api/state" and request.method == "GET":
            return "state"
        if path == "/api/settings" and request.method == "GET":
            return "settings_get"
        if path == "/api/settings" and request.method == "POST":
            return "settings_post"
    elif path == "/firmware" and request.method == "POST":
        return "firmware"
    return "other"


def token_of(request):
    values = urllib.parse.parse_qs(request.query, keep_blank_values=True).get("token")
    return values[0] if values else None


class DeviceConfig:
    """One device's view of the settings: the shared ones, overlaid by its own entry under
    "devices" in the control file, and after a restart by the version it came back with."""

    def __init__(self, shared, address):
        self.shared = shared
        self.address = address
        self.version_after = None

    def get(self):
        config = self.shared.get()
        own = config.get("devices", {}).get(self.address)
        if own:
            config = serverlib.merge(config, own)
        if self.version_after is not None:
            config = {k: v for k, v in config.items()
                      if k not in ("version_json", "omit", "state", "state_b64")}
            config["version"] = self.version_after
        return config

    def next_index(self, key):
        return self.shared.next_index(key)


class Device:
    def __init__(self, address, config, recorder, server):
        self.address = address
        self.config = config
        self.recorder = recorder
        self.server = server
        self.settings_lock = threading.Lock()
        self.posted_settings = None
        self.listeners = []
        self.restart_lock = threading.Lock()
        self.silent_until = 0.0

    def record(self, record):
        return self.recorder.write({"device": self.address, **record})

    def silent(self):
        with self.restart_lock:
            return time.monotonic() < self.silent_until

    def restart(self, config):
        """After an accepted upload: silent for a while (connects refused, or accepted and
        dropped), then the state reports the new version."""
        plan = config.get("restart") or {}
        seconds = float(plan.get("seconds", 0))
        if seconds <= 0:
            return False
        mode = plan.get("mode", "refuse")
        with self.restart_lock:
            self.silent_until = time.monotonic() + seconds
        self.config.version_after = plan.get("version_after", DEFAULT_VERSION_AFTER)
        if mode == "refuse":
            for listener in self.listeners:
                listener.close_for(seconds, self.server.stop_event)
        # Recorded once silent, so that a test which has seen it finds the device silent.
        self.record({"kind": "restart", "mode": mode, "seconds": seconds,
                     "version_after": self.config.version_after})
        return True

    def count_state_query(self, config):
        """A firmware port refused until the state was asked for that many times."""
        wanted = config.get("refuse_firmware_until_state")
        if wanted and self.config.next_index(f"state {self.address}") + 1 >= int(wanted):
            self.listeners[1].reopen(self.server.stop_event)

    def settings_document(self, config):
        with self.settings_lock:
            if self.posted_settings is not None and config.get("store_posted_settings", True):
                return self.posted_settings
        if "settings_b64" in config:
            return base64.b64decode(config["settings_b64"])
        if "settings" in config:
            return config["settings"].encode("utf-8")
        return DEFAULT_SETTINGS

    def default_answer(self, endpoint, request, config, port_label):
        """Status, body and headers the device gives when not told otherwise."""
        mark = UTF8_BYTE_ORDER_MARK if config.get("byte_order_mark") else b""
        if endpoint == "state":
            return 200, mark + state_document(config), [JSON_TYPE]
        if endpoint == "settings_get":
            return 200, mark + self.settings_document(config), [JSON_TYPE]
        if endpoint == "settings_post":
            if request.complete:
                with self.settings_lock:
                    self.posted_settings = bytes(request.body)
            return 200, b'{"result":"OK"}', [JSON_TYPE]
        if endpoint == "firmware":
            if not request.complete:
                return 400, b"incomplete upload", [TEXT_TYPE]
            if self.token_ok(request, config):
                return 200, b"OK", [TEXT_TYPE]
            return 403, b"invalid token", [TEXT_TYPE]
        own_paths = ("/api/state", "/api/settings") if port_label == "http" else ("/firmware",)
        if request.path in own_paths:
            return 405, b"method not allowed", [TEXT_TYPE]
        return 404, b"not found", [TEXT_TYPE]

    @staticmethod
    def token_ok(request, config):
        token = token_of(request)
        expected = config.get("token", UPLOAD_TOKEN)
        return token is not None and hmac.compare_digest(token.encode(), expected.encode())

    def handle(self, sock, peer, port_label, connection_id):
        config = self.config.get()
        if self.silent():
            self.record({"kind": "accept", "port_label": port_label, "connection": connection_id,
                         "action": "drop", "peer": f"{peer[0]}:{peer[1]}"})
            serverlib.abort(sock, "reset")
            return
        accept_plan = config.get("on_accept", {}).get(port_label)
        if isinstance(accept_plan, list):
            # A list acts on the connections in order; its last item repeats.
            index = self.config.next_index(f"accept {self.address} {port_label}")
            accept_plan = serverlib.pick(accept_plan, index) or None
        accept_action = serverlib.accept_action_of(accept_plan)
        if accept_action:
            self.record({"kind": "accept", "port_label": port_label,
                                 "connection": connection_id, "action": accept_action,
                                 "peer": f"{peer[0]}:{peer[1]}"})
            serverlib.on_accept(sock, accept_action, self.server.stop_event)
            return
        local = sock.getsockname()
        reader = serverlib.Reader(sock)
        number = 0
        while not self.server.stop_event.is_set():
            request = serverlib.Request()
            reply_plan = {}

            def before_body(req):
                nonlocal config, reply_plan
                config = self.config.get()
                endpoint = endpoint_of(req, port_label)
                answers = config.get("responses", {}).get(endpoint, {})
                reply_plan = serverlib.pick(answers, self.config.next_index(endpoint))
                if reply_plan.get("action") == "close_before_body":
                    return int(reply_plan.get("after_body_bytes", 0))
                return None

            try:
                if not reader.read_request(request, before_body):
                    return
            except (serverlib.PeerClosed, OSError, ValueError) as e:
                if request.head or reader.buffer:
                    self.record({"kind": "incomplete", "port_label": port_label,
                                         "connection": connection_id,
                                         "head_b64": serverlib.b64(reader.buffer),
                                         "error": str(e) or type(e).__name__})
                return
            number += 1
            endpoint = endpoint_of(request, port_label) if request.method else "other"
            if endpoint == "state":
                self.count_state_query(config)
            record = {
                "kind": endpoint,
                "port_label": port_label,
                "local": f"{local[0]}:{local[1]}",
                "peer": f"{peer[0]}:{peer[1]}",
                "connection": connection_id,
                "request_on_connection": number,
                **request.record(include_body=not config.get("lean_records", False)),
            }
            if endpoint == "firmware":
                record["token"] = token_of(request)
                record["token_ok"] = self.token_ok(request, config)
            if request.error and not reply_plan:
                status = 411 if "Transfer-Encoding" in request.error else 400
                reply_plan = {"status": status, "body": request.error, "connection": "close"}
            action = reply_plan.get("action", "answer")
            record["action"] = action
            if action == "close_before_body":
                record["response_status"] = None
                self.record(record)
                serverlib.abort(sock, "close")
                return
            if action != "answer":
                record["response_status"] = None
                self.record(record)
                serverlib.apply_action(sock, reply_plan, self.server.stop_event)
                return
            status, body, headers = self.default_answer(endpoint, request, config, port_label)
            data, keep = serverlib.build_response(reply_plan, request, status, body, headers)
            record["response_status"] = int(reply_plan.get("status", status)) \
                if "raw" not in reply_plan and "raw_b64" not in reply_plan else None
            self.record(record)
            if not serverlib.send_answer(sock, data, reply_plan, self.server.stop_event):
                return
            status = record["response_status"] or 0
            if endpoint == "firmware" and 200 <= status < 300 and self.restart(config):
                serverlib.abort(sock, "close")
                return
            if not keep or request.error:
                serverlib.abort(sock, "close")
                return


def endpoint_option(text):
    name, sep, value = text.partition("=")
    if not sep or name not in ENDPOINTS:
        raise argparse.ArgumentTypeError(
            f"expected ENDPOINT=VALUE with ENDPOINT one of {', '.join(ENDPOINTS)}")
    return name, value


def port_option(text):
    name, sep, value = text.partition("=")
    if not sep or name not in ("http", "firmware"):
        raise argparse.ArgumentTypeError("expected http=ACTION or firmware=ACTION")
    return name, value


def read_file(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        serverlib.fail(f"cannot read {path}: {e.strerror}", serverlib.EXIT_USAGE)


def parse_arguments(argv):
    parser = argparse.ArgumentParser(
        description="Tesmora cash register stand-in for tests (loopback only).")
    parser.add_argument("addresses", type=serverlib.loopback_address, nargs="+",
                        metavar="address",
                        help="loopback address to serve, such as 127.0.0.80; several "
                             "addresses give several devices")
    parser.add_argument("--http-port", type=serverlib.port_number, default=80,
                        help="port of the state and settings documents (default 80; 0 picks "
                             "a free one)")
    parser.add_argument("--firmware-port", type=serverlib.port_number, default=8080,
                        help="port of the firmware endpoint (default 8080; 0 picks a free one)")
    version = parser.add_mutually_exclusive_group()
    version.add_argument("--version", dest="version_text", metavar="TEXT",
                         help=f"ZEDEZVer as a JSON string (default {DEFAULT_VERSION})")
    version.add_argument("--version-number", metavar="NUMBER",
                         help="ZEDEZVer as a JSON number, written exactly as given")
    version.add_argument("--no-globals", action="store_true",
                         help="state document without the member globals")
    version.add_argument("--no-version", action="store_true",
                         help="globals without the member ZEDEZVer")
    parser.add_argument("--state-file", metavar="FILE",
                        help="serve these raw bytes as the state document")
    parser.add_argument("--settings-file", metavar="FILE",
                        help="serve these raw bytes as the settings document")
    parser.add_argument("--byte-order-mark", action="store_true",
                        help="put EF BB BF in front of the state and settings documents")
    parser.add_argument("--token", help="access token the firmware endpoint accepts")
    parser.add_argument("--status", type=endpoint_option, action="append", default=[],
                        metavar="ENDPOINT=CODE", help="answer the endpoint with this status")
    parser.add_argument("--body", type=endpoint_option, action="append", default=[],
                        metavar="ENDPOINT=TEXT", help="answer the endpoint with this body")
    parser.add_argument("--delay", type=endpoint_option, action="append", default=[],
                        metavar="ENDPOINT=SECONDS", help="wait this long before answering")
    parser.add_argument("--action", type=endpoint_option, action="append", default=[],
                        metavar="ENDPOINT=ACTION",
                        help="stall, close, reset or close_before_body instead of answering")
    parser.add_argument("--on-accept", type=port_option, action="append", default=[],
                        metavar="PORT=ACTION",
                        help="stall (never read), close or reset right after accepting")
    parser.add_argument("--restart", type=float, metavar="SECONDS",
                        help="after an accepted upload, stay silent this long, then report "
                             "the version given by --version-after")
    parser.add_argument("--restart-mode", choices=RESTART_MODES, default="refuse",
                        help="refuse connects (default) or accept and drop them while silent")
    parser.add_argument("--version-after", default=DEFAULT_VERSION_AFTER, metavar="TEXT",
                        help=f"version reported after a restart (default "
                             f"{DEFAULT_VERSION_AFTER})")
    parser.add_argument("--lean-records", action="store_true",
                        help="leave body_b64 out of the records (length and digest stay)")
    serverlib.add_common_options(parser)
    args = parser.parse_args(argv)
    if len(set(args.addresses)) != len(args.addresses):
        parser.error("each address may be given once")

    config = {}
    if args.version_text is not None:
        config["version"] = args.version_text
    if args.version_number is not None:
        try:
            json.loads(args.version_number)
            float(args.version_number)
        except ValueError:
            parser.error(f"--version-number {args.version_number!r} is not a JSON number")
        config["version_json"] = args.version_number
    if args.no_globals:
        config["omit"] = "globals"
    if args.no_version:
        config["omit"] = "ZEDEZVer"
    if args.state_file:
        config["state_b64"] = serverlib.b64(read_file(args.state_file))
    if args.settings_file:
        config["settings_b64"] = serverlib.b64(read_file(args.settings_file))
    if args.byte_order_mark:
        config["byte_order_mark"] = True
    if args.token is not None:
        config["token"] = args.token
    responses = {}
    for (endpoint, value), key in ([(o, "status") for o in args.status]
                                   + [(o, "body") for o in args.body]
                                   + [(o, "delay") for o in args.delay]
                                   + [(o, "action") for o in args.action]):
        if key == "status":
            value = int(value)
        elif key == "delay":
            value = float(value)
        responses.setdefault(endpoint, {})[key] = value
    if responses:
        config["responses"] = responses
    if args.on_accept:
        config["on_accept"] = dict(args.on_accept)
    if args.lean_records:
        config["lean_records"] = True
    if args.restart is not None:
        config["restart"] = {"seconds": args.restart, "mode": args.restart_mode,
                             "version_after": args.version_after}
    return args, config


def main(argv):
    args, base = parse_arguments(argv)
    if args.http_port and args.http_port == args.firmware_port:
        serverlib.fail("the HTTP and firmware ports must differ", serverlib.EXIT_USAGE)
    recorder = serverlib.Recorder(args.record, args.announce_records)
    server = serverlib.Server(recorder, args.max_lifetime)
    lines = []
    for address in args.addresses:
        http_listener = serverlib.listen(address, args.http_port)
        firmware_listener = serverlib.listen(address, args.firmware_port)
        config = DeviceConfig(serverlib.Config(base, args.config), address)
        device = Device(address, config, recorder, server)
        device.listeners = [server.add(http_listener, device.handle, "http"),
                            server.add(firmware_listener, device.handle, "firmware")]
        lines.append(f"{address} {http_listener.getsockname()[1]} "
                     f"{firmware_listener.getsockname()[1]}")
        if config.get().get("refuse_firmware_until_state"):
            device.listeners[1].close_until_reopened()
    if len(lines) > 1:
        for line in lines:
            serverlib.say(f"device {line}")
    server.run(f"ready {lines[0]}")


if __name__ == "__main__":
    main(sys.argv[1:])
