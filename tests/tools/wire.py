"""Raw HTTP over a socket for the tools' own tests: exact bytes out, parsed answer back."""

import os
import socket
import sys

TIMEOUT = 10.0

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))


class Answer:
    def __init__(self, status_line, headers, body):
        self.status_line = status_line
        self.headers = headers
        self.body = body

    @property
    def status(self):
        return int(self.status_line.split(" ")[1])

    def header(self, name):
        for key, value in self.headers:
            if key.lower() == name.lower():
                return value
        return None


class Connection:
    def __init__(self, address, port):
        self.sock = socket.create_connection((address, port), timeout=TIMEOUT)
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data)

    def _fill(self):
        data = self.sock.recv(65536)
        if not data:
            raise EOFError("peer closed")
        self.buffer += data

    def read_head(self):
        while b"\r\n\r\n" not in self.buffer:
            self._fill()
        head, self.buffer = self.buffer.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        headers = [tuple(p.strip() for p in line.split(":", 1)) for line in lines[1:]]
        return lines[0], headers

    def read_answer(self):
        status_line, headers = self.read_head()
        answer = Answer(status_line, headers, b"")
        length = int(answer.header("Content-Length"))
        while len(self.buffer) < length:
            self._fill()
        answer.body, self.buffer = self.buffer[:length], self.buffer[length:]
        return answer

    def closed_by_peer(self):
        """True when the peer has closed (EOF); bounded by the socket time-out."""
        try:
            return self.sock.recv(1) == b""
        except ConnectionResetError:
            return True

    def close(self):
        self.sock.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


def exchange(address, port, data):
    with Connection(address, port) as connection:
        connection.send(data)
        return connection.read_answer()


def curl(*args, timeout=30):
    """Runs curl with no proxy from the environment; returns (exit code, stdout bytes, stderr)."""
    import subprocess
    env = {k: v for k, v in os.environ.items() if "proxy" not in k.lower()}
    result = subprocess.run(["curl", "-sS", "--max-time", str(timeout), *args],
                            capture_output=True, env=env, timeout=timeout + 10)
    return result.returncode, result.stdout, result.stderr.decode("utf-8", "replace")
