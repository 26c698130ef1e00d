#!/usr/bin/env python3
"""One-connection TLS 1.0 peer for the TLS handler's tests (loopback only).

    tls_peer.py SCENARIO

Prints "ready PORT" once listening on 127.0.0.1, then one line per event ("sni NAME",
"version TLSv1", "got TEXT", ...). Scenarios:

    switching   plain line, TLS 1.0, close_notify back to plain, plain line, TLS again
    drop        TLS 1.0, send a line, close the TCP connection without close_notify
    bulk        TLS 1.0, send N bytes in small records as asked, then close_notify
    silent      accept and say nothing (the client's handshake must time out)
    half-record TLS 1.0, then only the first half of a record
    tls12       TLS 1.2 only
"""

import os
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import warnings

warnings.filterwarnings("ignore", category=DeprecationWarning)

LIMIT = 20.0  # no step of a test waits longer than this


def say(text):
    print(text, flush=True)


def make_context(directory, tls12=False):
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes",
                    "-keyout", "key.pem", "-out", "cert.pem", "-days", "1",
                    "-subj", "/CN=tls-peer.test"],
                   cwd=directory, check=True, capture_output=True, timeout=60)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    version = ssl.TLSVersion.TLSv1_2 if tls12 else ssl.TLSVersion.TLSv1
    context.minimum_version = version
    context.maximum_version = version
    if not tls12:
        # OpenSSL 3 refuses TLS 1.0 and its SHA-1 signatures above security level 0.
        context.set_ciphers("DEFAULT:@SECLEVEL=0")
    context.load_cert_chain(os.path.join(directory, "cert.pem"),
                            os.path.join(directory, "key.pem"))
    context.sni_callback = lambda sock, name, ctx: say(f"sni {name}")
    return context


def read_line(sock):
    data = b""
    while not data.endswith(b"\n"):
        chunk = sock.recv(1)
        if not chunk:
            break
        data += chunk
    return data.decode("ascii", "replace").rstrip("\r\n")


def handshake(context, sock):
    tls = context.wrap_socket(sock, server_side=True)
    say(f"version {tls.version()}")
    return tls


def send_half_record(context, conn):
    """Handshake through memory buffers, so that the raw bytes of a record can be cut."""
    incoming, outgoing = ssl.MemoryBIO(), ssl.MemoryBIO()
    tls = context.wrap_bio(incoming, outgoing, server_side=True)
    while True:
        try:
            tls.do_handshake()
            break
        except ssl.SSLWantReadError:
            conn.sendall(outgoing.read())
            data = conn.recv(65536)
            if not data:
                raise OSError("the client closed during the handshake")
            incoming.write(data)
    conn.sendall(outgoing.read())
    say(f"version {tls.version()}")
    tls.write(b"hello\r\n")
    record = outgoing.read()
    conn.sendall(record[: len(record) // 2])
    say("half sent")
    read_line(conn)  # until the client gives up and closes
    say("closed")


def serve(scenario, context, conn):
    if scenario == "silent":
        conn.recv(65536)
        read_line(conn)  # until the client gives up and closes
        say("closed")
        return
    if scenario == "tls12":
        try:
            handshake(context, conn)
        except (ssl.SSLError, OSError) as e:
            say(f"refused {type(e).__name__}")
        return
    if scenario == "switching":
        say(f"got {read_line(conn)}")
        conn.sendall(b"go\r\n")
        for round_number in (1, 2):
            tls = handshake(context, conn)
            say(f"got {read_line(tls)}")
            tls.sendall(f"secure {round_number}\r\n".encode())
            if round_number == 2:
                tls.unwrap()
                say("closed")
                return
            conn = tls.unwrap()
            say("plain again")
            say(f"got {read_line(conn)}")
            conn.sendall(b"plain again\r\n")
        return
    if scenario == "half-record":
        send_half_record(context, conn)
        return
    tls = handshake(context, conn)
    if scenario == "drop":
        tls.sendall(b"partial")
        tls.close()  # Python sends no close_notify on close
        say("dropped")
    elif scenario == "bulk":
        size = int(read_line(tls))
        pattern = bytes(range(256))
        sent = 0
        while sent < size:
            piece = pattern[: min(100, size - sent)]
            tls.sendall(piece)
            sent += len(piece)
        say(f"got {read_line(tls)}")
        tls.unwrap()
        say("closed")


def main():
    scenario = sys.argv[1]
    directory = tempfile.mkdtemp(prefix="tls-peer-")
    try:
        context = None if scenario == "silent" else make_context(directory, scenario == "tls12")
    finally:
        shutil.rmtree(directory, ignore_errors=True)
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(LIMIT)
    say(f"ready {listener.getsockname()[1]}")
    conn, _ = listener.accept()
    conn.settimeout(LIMIT)
    try:
        serve(scenario, context, conn)
    except (ssl.SSLError, OSError) as e:
        say(f"error {type(e).__name__} {e}")
    finally:
        conn.close()
    say("done")


if __name__ == "__main__":
    main()
