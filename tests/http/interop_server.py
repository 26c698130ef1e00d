"""Python's http.server on a free loopback port, speaking HTTP/1.1 with keep-alive.

Serves the files of a directory with Content-Length, and /chunked/<name> with chunked
transfer coding. Prints the port on one line once it listens; ends when stdin closes.
"""

import http.server
import os
import sys
import threading


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def end_headers(self):
        # Lets a test see whether two requests came on the same connection.
        self.send_header("X-Client-Port", str(self.client_address[1]))
        super().end_headers()

    def do_GET(self):
        if self.path.startswith("/chunked/"):
            name = os.path.basename(self.path)
            with open(os.path.join(self.directory, name), "rb") as source:
                data = source.read()
            self.send_response(200)
            self.send_header("Content-Type", "application/octet-stream")
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            step = 7919
            for start in range(0, len(data), step):
                piece = data[start:start + step]
                self.wfile.write(b"%x;n=%d\r\n" % (len(piece), start) + piece + b"\r\n")
            self.wfile.write(b"0\r\nX-Served: chunked\r\n\r\n")
            return
        super().do_GET()


def main():
    directory = sys.argv[1]
    handler = lambda *args, **kwargs: Handler(*args, directory=directory, **kwargs)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, daemon=True).start()
    print(server.server_address[1], flush=True)
    sys.stdin.read()
    server.shutdown()


if __name__ == "__main__":
    main()
