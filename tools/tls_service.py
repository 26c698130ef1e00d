#!/usr/bin/env python3
"""HTTPS test service that speaks TLS 1.0 only, with a throwaway self-signed certificate.

Records the server name each client asks for (SNI) and every request byte for byte, and
answers with a chosen status and body.

    tls_service.py 127.0.0.90 [--port 443] [--mode tls1|tls12|handshake-close]
        [--cert-name NAME] [--expired] [--cert-out FILE]
        [--status CODE] [--body TEXT] [--content-type TYPE] [--action stall|close|reset]
        [--record FILE] [--config FILE] [--announce-records] [--max-lifetime SECONDS]

Prints "ready ADDRESS PORT" once listening.
"""

import argparse
import os
import shutil
import ssl
import subprocess
import sys
import tempfile
import threading
import warnings

import serverlib

# TLS 1.0 is what this service exists for.
warnings.filterwarnings("ignore", category=DeprecationWarning)

OPENSSL_TIMEOUT = 60
HANDSHAKE_TIMEOUT = 10.0

CA_CONFIG = """\
[ ca ]
default_ca = throwaway
[ throwaway ]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = anything
unique_subject = no
copy_extensions = copy
[ anything ]
commonName = supplied
"""


def run_openssl(args, directory):
    try:
        subprocess.run(["openssl", *args], cwd=directory, check=True, capture_output=True,
                       timeout=OPENSSL_TIMEOUT)
    except FileNotFoundError:
        serverlib.fail("the openssl command is not installed", serverlib.EXIT_USAGE)
    except subprocess.CalledProcessError as e:
        serverlib.fail(f"openssl {args[0]} failed: {e.stderr.decode(errors='replace')}",
                       serverlib.EXIT_USAGE)


def make_certificate(directory, name, address, expired):
    """Writes cert.pem and key.pem into directory; expired ones ended on 2 January 2020."""
    subject = f"/CN={name}"
    alt_names = f"subjectAltName=DNS:{name},IP:{address}"
    if not expired:
        run_openssl(["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
                     "-out", "cert.pem", "-days", "30", "-subj", subject, "-addext",
                     alt_names], directory)
        return
    with open(os.path.join(directory, "ca.cnf"), "w") as f:
        f.write(CA_CONFIG)
    open(os.path.join(directory, "index.txt"), "w").close()
    with open(os.path.join(directory, "serial"), "w") as f:
        f.write("01\n")
    run_openssl(["req", "-new", "-newkey", "rsa:2048", "-nodes", "-keyout", "key.pem",
                 "-out", "request.csr", "-subj", subject, "-addext", alt_names], directory)
    run_openssl(["ca", "-batch", "-config", "ca.cnf", "-selfsign", "-keyfile", "key.pem",
                 "-in", "request.csr", "-out", "cert.pem", "-startdate", "20200101000000Z",
                 "-enddate", "20200102000000Z"], directory)


def make_context(mode, directory):
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    if mode == "tls12":
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.maximum_version = ssl.TLSVersion.TLSv1_2
    else:
        context.minimum_version = ssl.TLSVersion.TLSv1
        context.maximum_version = ssl.TLSVersion.TLSv1
        # OpenSSL 3 refuses TLS 1.0 and its SHA-1 signatures above security level 0.
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
    context.load_cert_chain(os.path.join(directory, "cert.pem"),
                            os.path.join(directory, "key.pem"))
    return context


class Service:
    def __init__(self, config, recorder, server, context, mode):
        self.config = config
        self.recorder = recorder
        self.server = server
        self.context = context
        self.mode = mode
        self.handshake = threading.local()
        if context is not None:
            context.sni_callback = self.on_server_name

    def on_server_name(self, ssl_socket, server_name, context):
        self.handshake.server_name = server_name
        return None

    def handle(self, sock, peer, label, connection_id):
        config = self.config.get()
        base = {"connection": connection_id, "peer": f"{peer[0]}:{peer[1]}"}
        accept_action = serverlib.accept_action_of(config.get("on_accept"))
        if accept_action:
            self.recorder.write({"kind": "accept", **base, "action": accept_action})
            serverlib.on_accept(sock, accept_action, self.server.stop_event)
            return
        if self.mode == "handshake-close":
            sock.settimeout(HANDSHAKE_TIMEOUT)
            try:
                hello = sock.recv(65536)
            except OSError:
                hello = b""
            self.recorder.write({"kind": "handshake_closed", **base,
                                 "client_hello_b64": serverlib.b64(hello)})
            serverlib.abort(sock, "close")
            return

        self.handshake.server_name = None
        sock.settimeout(HANDSHAKE_TIMEOUT)
        try:
            tls = self.context.wrap_socket(sock, server_side=True)
        except (ssl.SSLError, OSError) as e:
            self.recorder.write({"kind": "handshake_failed", **base,
                                 "sni": self.handshake.server_name, "error": str(e)})
            return
        base["sni"] = self.handshake.server_name
        base["tls_version"] = tls.version()
        base["cipher"] = tls.cipher()[0]
        tls.settimeout(serverlib.IDLE_TIMEOUT)
        self.serve(tls, base)

    def serve(self, tls, base):
        reader = serverlib.Reader(tls)
        number = 0
        with tls:
            while not self.server.stop_event.is_set():
                request = serverlib.Request()
                try:
                    if not reader.read_request(request):
                        if number == 0:
                            self.recorder.write({"kind": "no_request", **base})
                        break
                except (serverlib.PeerClosed, OSError, ValueError) as e:
                    if reader.buffer:
                        self.recorder.write({"kind": "incomplete", **base,
                                             "head_b64": serverlib.b64(reader.buffer),
                                             "error": str(e) or type(e).__name__})
                    break
                number += 1
                config = self.config.get()
                spec = serverlib.pick(config.get("response", {}),
                                      self.config.next_index("response"))
                record = {"kind": "request", **base, "request_on_connection": number,
                          **request.record()}
                action = spec.get("action", "answer")
                record["action"] = action
                if action != "answer":
                    self.recorder.write(record)
                    serverlib.apply_action(tls, spec, self.server.stop_event)
                    return
                status = 400 if request.error else 200
                body = (request.error or "").encode() if request.error else \
                    b'<?xml version="1.0" encoding="utf-8"?><response>OK</response>'
                data, keep = serverlib.build_response(
                    spec, request, status, body, [("Content-Type", "text/xml; charset=utf-8")])
                record["response_status"] = int(spec.get("status", status))
                self.recorder.write(record)
                if not serverlib.send_answer(tls, data, spec, self.server.stop_event):
                    return
                if not keep or request.error:
                    break
            try:
                # Send close_notify; a client that never answers it does not hold the thread.
                tls.settimeout(2.0)
                tls.unwrap()
            except (ssl.SSLError, OSError):
                pass


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="TLS 1.0 HTTPS test service (loopback).")
    parser.add_argument("address", type=serverlib.loopback_address,
                        help="loopback address to listen on")
    parser.add_argument("--port", type=serverlib.port_number, default=443,
                        help="port to listen on (default 443; 0 picks a free one)")
    parser.add_argument("--mode", choices=("tls1", "tls12", "handshake-close"), default="tls1",
                        help="tls1: TLS 1.0 only (default); tls12: TLS 1.2 only; "
                             "handshake-close: read the client's hello and close")
    parser.add_argument("--cert-name", default="localhost",
                        help="common name and DNS name of the certificate")
    parser.add_argument("--expired", action="store_true",
                        help="certificate that expired on 2 January 2020")
    parser.add_argument("--cert-out", metavar="FILE", help="copy the certificate (PEM) here")
    parser.add_argument("--status", type=int, help="answer every request with this status")
    parser.add_argument("--body", help="answer body (UTF-8 text)")
    parser.add_argument("--content-type", help="Content-Type of the answer")
    parser.add_argument("--action", choices=("stall", "close", "reset"),
                        help="stall or end the connection after reading a request")
    serverlib.add_common_options(parser)
    args = parser.parse_args(argv)
    response = {}
    if args.status is not None:
        response["status"] = args.status
    if args.body is not None:
        response["body"] = args.body
    if args.content_type is not None:
        response["content_type"] = args.content_type
    if args.action:
        response["action"] = args.action
    return args, ({"response": response} if response else {})


def main(argv):
    args, base = parse_arguments(argv)
    listener = serverlib.listen(args.address, args.port)
    directory = tempfile.mkdtemp(prefix="tls-service-")
    try:
        make_certificate(directory, args.cert_name, args.address, args.expired)
        if args.cert_out:
            shutil.copyfile(os.path.join(directory, "cert.pem"), args.cert_out)
        context = None if args.mode == "handshake-close" else make_context(args.mode, directory)
    finally:
        # The context holds the key in memory; nothing needs the files any more.
        shutil.rmtree(directory, ignore_errors=True)
    recorder = serverlib.Recorder(args.record, args.announce_records)
    server = serverlib.Server(recorder, args.max_lifetime)
    service = Service(serverlib.Config(base, args.config), recorder, server, context, args.mode)
    server.add(listener, service.handle, "tls")
    server.run(f"ready {args.address} {listener.getsockname()[1]}")


if __name__ == "__main__":
    main(sys.argv[1:])
