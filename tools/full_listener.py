#!/usr/bin/env python3
"""A loopback listener whose accept queue is full, for connect time-out tests: connects to
it neither succeed nor fail until the client's own limit runs out.

    full_listener.py 127.0.0.60 [--port 0] [--max-lifetime SECONDS]

Prints "ready ADDRESS PORT" once the queue is full.
"""

import argparse
import select
import socket
import sys

import serverlib

FILL_TIMEOUT = 5.0


def main(argv):
    parser = argparse.ArgumentParser(description="Listener with a full accept queue.")
    parser.add_argument("address", type=serverlib.loopback_address)
    parser.add_argument("--port", type=serverlib.port_number, default=0)
    serverlib.add_common_options(parser)  # records stay empty: nothing is ever accepted
    args = parser.parse_args(argv)
    # Backlog 0 leaves room for one connection; this process takes it and never accepts.
    listener = serverlib.listen(args.address, args.port, backlog=0)
    port = listener.getsockname()[1]
    filler = socket.socket()
    filler.setblocking(False)
    filler.connect_ex((args.address, port))
    _, writable, _ = select.select([], [filler], [], FILL_TIMEOUT)
    if not writable or filler.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR):
        serverlib.fail("could not fill the accept queue", serverlib.EXIT_BIND_FAILED)
    server = serverlib.Server(serverlib.Recorder(args.record, False), args.max_lifetime)
    server.listeners_kept = (listener, filler)
    server.run(f"ready {args.address} {port}")


if __name__ == "__main__":
    main(sys.argv[1:])
