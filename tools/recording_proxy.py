#!/usr/bin/env python3
"""Small HTTP proxy for tests that records what clients send it, byte for byte.

CONNECT requests are answered with a chosen status (200 by default, then the bytes are
tunnelled both ways to the target); absolute-form plain requests are forwarded, or answered
with a chosen status. Targets must be loopback addresses, "localhost", or names mapped to
loopback with --map.

    recording_proxy.py 127.0.0.70 [--port 8080]
        [--connect-status CODE] [--connect-body TEXT] [--connect-header 'Name: value']
        [--plain-status CODE] [--plain-body TEXT] [--map NAME[:PORT]=ADDRESS[:PORT]]
        [--record FILE] [--config FILE] [--announce-records] [--max-lifetime SECONDS]

Prints "ready ADDRESS PORT" once listening.
"""

import argparse
import ipaddress
import select
import socket
import sys
import urllib.parse

import serverlib

CONNECT_TIMEOUT = 5.0


def resolve_target(host, port, config):
    """Loopback (address, port) for a requested target, or None when it lies outside."""
    mapping = config.get("map", {})
    for key in (f"{host}:{port}", host):
        if key in mapping:
            mapped = mapping[key]
            mapped_host, sep, mapped_port = mapped.rpartition(":")
            if sep and mapped_port.isdigit():
                return mapped_host, int(mapped_port)
            return mapped, port
    if host.lower() == "localhost":
        return "127.0.0.1", port
    try:
        if ipaddress.IPv4Address(host) in serverlib.LOOPBACK:
            return host, port
    except ValueError:
        pass
    return None


def split_host_port(text, default_port):
    host, sep, port = text.rpartition(":")
    if not sep or not port.isdigit() or "]" in port:
        return text.strip("[]"), default_port
    return host.strip("[]"), int(port)


def relay(client, upstream, leftover, stop_event):
    """Copies bytes both ways until both directions have ended. Returns the byte counts."""
    to_target = 0
    to_client = 0
    if leftover:
        upstream.sendall(leftover)
        to_target += len(leftover)
    open_ends = {client: upstream, upstream: client}
    while open_ends and not stop_event.is_set():
        readable, _, _ = select.select(list(open_ends), [], [], serverlib.IDLE_TIMEOUT)
        if not readable:
            break
        for source in readable:
            try:
                data = source.recv(65536)
            except OSError:
                data = b""
            sink = open_ends[source]
            if not data:
                del open_ends[source]
                try:
                    sink.shutdown(socket.SHUT_WR)
                except OSError:
                    pass
                continue
            try:
                sink.sendall(data)
            except OSError:
                return to_target, to_client
            if source is client:
                to_target += len(data)
            else:
                to_client += len(data)
    return to_target, to_client


class Proxy:
    def __init__(self, config, recorder, server):
        self.config = config
        self.recorder = recorder
        self.server = server

    def handle(self, sock, peer, label, connection_id):
        config = self.config.get()
        accept_action = serverlib.accept_action_of(config.get("on_accept"))
        if accept_action:
            self.recorder.write({"kind": "accept", "connection": connection_id,
                                 "action": accept_action})
            serverlib.on_accept(sock, accept_action, self.server.stop_event)
            return
        reader = serverlib.Reader(sock)
        number = 0
        while not self.server.stop_event.is_set():
            request = serverlib.Request()
            try:
                if not reader.read_request(request):
                    return
            except (serverlib.PeerClosed, OSError, ValueError) as e:
                if reader.buffer:
                    self.recorder.write({"kind": "incomplete", "connection": connection_id,
                                         "head_b64": serverlib.b64(reader.buffer),
                                         "error": str(e) or type(e).__name__})
                return
            number += 1
            config = self.config.get()
            record = {"connection": connection_id, "request_on_connection": number,
                      "peer": f"{peer[0]}:{peer[1]}", **request.record()}
            if request.method.upper() == "CONNECT":
                keep = self.connect(sock, reader, request, record, config)
            else:
                keep = self.plain(sock, request, record, config)
            if not keep:
                return

    def connect(self, sock, reader, request, record, config):
        record["kind"] = "connect"
        spec = serverlib.pick(config.get("connect", {}),
                              self.config.next_index("connect"))
        action = spec.get("action", "answer")
        if action != "answer":
            record["action"] = action
            self.recorder.write(record)
            serverlib.apply_action(sock, spec, self.server.stop_event)
            return False
        status = int(spec.get("status", 200))
        if "raw" in spec or "raw_b64" in spec or status // 100 != 2:
            defaults = []
            if status == 407:
                defaults.append(("Proxy-Authenticate", 'Basic realm="recording proxy"'))
            spec = {"http_version": "HTTP/1.0", "content_type": "text/plain",
                    "headers": defaults, **spec}
            data, keep = serverlib.build_response(spec, request, status,
                                                  b"proxy refused the tunnel")
            keep = bool(spec.get("keep", False))
            record["response_status"] = status
            self.recorder.write(record)
            if not serverlib.send_answer(sock, data, spec, self.server.stop_event):
                return False
            return keep

        host, port = split_host_port(request.target, 443)
        target = resolve_target(host, port, config)
        upstream = None
        if target is None:
            record["upstream_error"] = f"{host}:{port} is outside the loopback range"
        else:
            record["upstream"] = f"{target[0]}:{target[1]}"
            try:
                upstream = socket.create_connection(target, timeout=CONNECT_TIMEOUT)
            except OSError as e:
                record["upstream_error"] = str(e)
        if upstream is None:
            record["response_status"] = 502
            self.recorder.write(record)
            data, _ = serverlib.build_response(
                {"http_version": "HTTP/1.0", "content_type": "text/plain",
                 "connection": "close"}, request, 502,
                record["upstream_error"].encode("utf-8"))
            serverlib.send_answer(sock, data, {}, self.server.stop_event)
            return False

        reason = spec.get("reason", "Connection established")
        version = spec.get("http_version", "HTTP/1.0")
        head = f"{version} {status} {reason}\r\n"
        head += "".join(f"{k}: {v}\r\n" for k, v in spec.get("headers", []))
        record["response_status"] = status
        self.recorder.write(record)
        with upstream:
            if not serverlib.send_answer(sock, (head + "\r\n").encode("utf-8"), spec,
                                         self.server.stop_event):
                return False
            sock.settimeout(None)
            upstream.settimeout(None)
            leftover = bytes(reader.buffer)
            reader.buffer.clear()
            to_target, to_client = relay(sock, upstream, leftover, self.server.stop_event)
        self.recorder.write({"kind": "tunnel_closed", "connection": record["connection"],
                             "upstream": record["upstream"], "bytes_to_target": to_target,
                             "bytes_to_client": to_client})
        return False

    def plain(self, sock, request, record, config):
        record["kind"] = "plain"
        spec = serverlib.pick(config.get("plain", {}), self.config.next_index("plain"))
        action = spec.get("action", "answer")
        if action != "answer":
            record["action"] = action
            self.recorder.write(record)
            serverlib.apply_action(sock, spec, self.server.stop_event)
            return False
        if "status" in spec or "raw" in spec or "raw_b64" in spec or request.error:
            status = int(spec.get("status", 400))
            data, keep = serverlib.build_response(spec, request, status,
                                                  (request.error or "").encode())
            record["response_status"] = status
            self.recorder.write(record)
            return serverlib.send_answer(sock, data, spec, self.server.stop_event) and keep

        url = urllib.parse.urlsplit(request.target)
        if url.scheme.lower() != "http" or not url.hostname:
            record["upstream_error"] = "not an absolute http URL"
            target = None
        else:
            target = resolve_target(url.hostname, url.port or 80, config)
            if target is None:
                record["upstream_error"] = f"{url.hostname} is outside the loopback range"
        if target is None:
            self.recorder.write({**record, "response_status": 502})
            data, _ = serverlib.build_response({"connection": "close"}, request, 502,
                                               record["upstream_error"].encode())
            serverlib.send_answer(sock, data, {}, self.server.stop_event)
            return False
        record["upstream"] = f"{target[0]}:{target[1]}"
        origin_target = url.path or "/"
        if url.query:
            origin_target += "?" + url.query
        hop_by_hop = {"proxy-connection", "connection", "keep-alive"}
        lines = [f"{request.method} {origin_target} {request.version}"]
        lines += [f"{k}: {v}" for k, v in request.headers if k.lower() not in hop_by_hop]
        lines.append("Connection: close")
        forwarded = ("\r\n".join(lines) + "\r\n\r\n").encode("latin-1") + bytes(request.body)
        try:
            upstream = socket.create_connection(target, timeout=CONNECT_TIMEOUT)
        except OSError as e:
            record["upstream_error"] = str(e)
            self.recorder.write({**record, "response_status": 502})
            data, _ = serverlib.build_response({"connection": "close"}, request, 502,
                                               str(e).encode())
            serverlib.send_answer(sock, data, {}, self.server.stop_event)
            return False
        self.recorder.write({**record, "response_status": None})
        with upstream:
            upstream.settimeout(serverlib.IDLE_TIMEOUT)
            try:
                upstream.sendall(forwarded)
                while True:
                    data = upstream.recv(65536)
                    if not data:
                        break
                    sock.sendall(data)
            except OSError:
                pass
        serverlib.abort(sock, "close")
        return False


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Recording HTTP proxy for tests (loopback).")
    parser.add_argument("address", type=serverlib.loopback_address,
                        help="loopback address to listen on")
    parser.add_argument("--port", type=serverlib.port_number, default=8080,
                        help="port to listen on (default 8080; 0 picks a free one)")
    parser.add_argument("--connect-status", type=int,
                        help="answer CONNECT with this status (default 200 and tunnel)")
    parser.add_argument("--connect-body", help="body of a refusing CONNECT answer")
    parser.add_argument("--connect-header", action="append", default=[],
                        metavar="'NAME: VALUE'", help="extra header of the CONNECT answer")
    parser.add_argument("--connect-action", choices=("stall", "close", "reset"),
                        help="end or stall the CONNECT instead of answering")
    parser.add_argument("--plain-status", type=int,
                        help="answer plain requests with this status instead of forwarding")
    parser.add_argument("--plain-body", help="body of that answer")
    parser.add_argument("--map", action="append", default=[],
                        metavar="NAME[:PORT]=ADDRESS[:PORT]",
                        help="send tunnels and requests for NAME to a loopback address")
    serverlib.add_common_options(parser)
    args = parser.parse_args(argv)

    config = {}
    connect = {}
    if args.connect_status is not None:
        connect["status"] = args.connect_status
    if args.connect_body is not None:
        connect["body"] = args.connect_body
    if args.connect_header:
        connect["headers"] = [[p.strip() for p in h.split(":", 1)]
                              for h in args.connect_header]
    if args.connect_action:
        connect["action"] = args.connect_action
    if connect:
        config["connect"] = connect
    plain = {}
    if args.plain_status is not None:
        plain["status"] = args.plain_status
    if args.plain_body is not None:
        plain["body"] = args.plain_body
    if plain:
        config["plain"] = plain
    mapping = {}
    for item in args.map:
        name, sep, target = item.partition("=")
        if not sep:
            parser.error(f"--map {item!r}: expected NAME[:PORT]=ADDRESS[:PORT]")
        address = target.rpartition(":")[0] if ":" in target else target
        try:
            serverlib.loopback_address(address)
        except argparse.ArgumentTypeError as e:
            parser.error(f"--map {item!r}: {e}")
        mapping[name] = target
    if mapping:
        config["map"] = mapping
    return args, config


def main(argv):
    args, base = parse_arguments(argv)
    listener = serverlib.listen(args.address, args.port)
    recorder = serverlib.Recorder(args.record, args.announce_records)
    server = serverlib.Server(recorder, args.max_lifetime)
    proxy = Proxy(serverlib.Config(base, args.config), recorder, server)
    server.add(listener, proxy.handle, "proxy")
    server.run(f"ready {args.address} {listener.getsockname()[1]}")


if __name__ == "__main__":
    main(sys.argv[1:])
