"""The recording proxy and the TLS 1.0 service, driven by raw sockets, curl and openssl."""

import subprocess
import tempfile
import unittest

import wire  # also puts tools/ on the import path
from wire import curl

import testlib

LOW_SECURITY = "DEFAULT:@SECLEVEL=0"
TLS10_CURL = ("-k", "--tlsv1.0", "--tls-max", "1.0", "--ciphers", LOW_SECURITY)


def s_client(address, port, *options, server_name=None):
    """openssl s_client with an empty stdin; returns (exit code, combined output)."""
    argv = ["openssl", "s_client", "-connect", f"{address}:{port}", *options]
    if server_name:
        argv += ["-servername", server_name]
    result = subprocess.run(argv, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                            timeout=30)
    return result.returncode, result.stdout + result.stderr


class Proxy(unittest.TestCase):
    def test_connect_is_recorded_byte_for_byte_and_tunnelled(self):
        with testlib.start_simulator() as device, testlib.start_proxy() as proxy:
            destination = f"{device.address}:{device.http_port}"
            connect = (f"CONNECT {destination} HTTP/1.0\r\nPragma: no-cache\r\n"
                       f"Proxy-Connection: keep-alive\r\nHost: {destination}\r\n"
                       "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
                       "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n\r\n").encode()
            with wire.Connection(proxy.address, proxy.port) as connection:
                connection.send(connect)
                status_line, headers = connection.read_head()
                self.assertEqual(status_line, "HTTP/1.0 200 Connection established")
                connection.send(f"GET /api/state HTTP/1.1\r\nHost: {destination}\r\n"
                                "Connection: close\r\n\r\n".encode())
                self.assertEqual(connection.read_answer().status, 200)
            [record] = proxy.wait_for_records(1, kind="connect")
            self.assertEqual(testlib.head_of(record), connect)
            self.assertEqual(record["upstream"], destination)
            [tunnel] = proxy.wait_for_records(1, kind="tunnel_closed")
            self.assertGreater(tunnel["bytes_to_client"], 0)
            self.assertEqual(device.wait_for_records(1)[0]["kind"], "state")

    def test_connect_refused_with_407_and_body(self):
        with testlib.start_proxy("--connect-status", "407", "--connect-body",
                                 "login first") as proxy:
            answer = wire.exchange(proxy.address, proxy.port,
                                   b"CONNECT 127.0.0.1:443 HTTP/1.0\r\n\r\n")
            self.assertEqual(answer.status_line, "HTTP/1.0 407 Proxy Authentication Required")
            self.assertEqual(answer.body, b"login first")
            self.assertIsNotNone(answer.header("Proxy-Authenticate"))
            code, _, err = curl("--proxytunnel", "-x", f"http://{proxy.address}:{proxy.port}",
                                "http://127.0.0.1:1/")
            self.assertEqual(code, 56)
            self.assertIn("407", err)
            records = proxy.wait_for_records(2)
            self.assertEqual([r["response_status"] for r in records], [407, 407])

    def test_targets_outside_loopback_are_not_reached(self):
        with testlib.start_proxy() as proxy:
            answer = wire.exchange(proxy.address, proxy.port,
                                   b"CONNECT ekasa.invalid:443 HTTP/1.0\r\n\r\n")
            self.assertEqual(answer.status, 502)
            [record] = proxy.wait_for_records(1)
            self.assertIn("outside the loopback range", record["upstream_error"])

    def test_absolute_form_request_is_recorded_and_forwarded(self):
        with testlib.start_simulator() as device, \
                testlib.start_proxy("--map", f"device.test={device.address}") as proxy:
            url = f"http://device.test:{device.http_port}/api/settings?x=1"
            code, out, err = curl("-x", f"http://{proxy.address}:{proxy.port}", url)
            self.assertEqual((code, out), (0, b'{"timeout":1000,"x":1}'), err)
            [record] = proxy.wait_for_records(1)
            self.assertEqual(record["kind"], "plain")
            self.assertEqual(record["request_line"], f"GET {url} HTTP/1.1")
            [forwarded] = device.wait_for_records(1)
            self.assertEqual(forwarded["target"], "/api/settings?x=1")


class TlsService(unittest.TestCase):
    def test_speaks_tls10_and_records_server_name_and_request(self):
        with testlib.start_tls_service("--cert-name", "ekasa.test") as service:
            host = f"ekasa.test:{service.port}"
            code, out, err = curl(*TLS10_CURL, "--resolve", f"{host}:{service.address}",
                                  "--data-binary", "<soap/>",
                                  f"https://{host}/mdu/soap/services/v2")
            self.assertEqual(code, 0, err)
            self.assertIn(b"<response>OK</response>", out)
            [record] = service.wait_for_records(1)
            self.assertEqual(record["sni"], "ekasa.test")
            self.assertEqual(record["tls_version"], "TLSv1")
            self.assertEqual(record["request_line"], "POST /mdu/soap/services/v2 HTTP/1.1")
            self.assertEqual(testlib.body_of(record), b"<soap/>")

            code, output = s_client(service.address, service.port, "-tls1", "-cipher",
                                    LOW_SECURITY, server_name="named.test")
            self.assertEqual(code, 0, output)
            self.assertRegex(output, r"Protocol\s*: TLSv1\n")
            code, output = s_client(service.address, service.port, "-tls1_2")
            self.assertNotEqual(code, 0, output)
            records = service.wait_for_records(3)
            self.assertEqual(records[1]["sni"], "named.test")
            self.assertEqual(records[2]["kind"], "handshake_failed")

    def test_tls12_mode_refuses_tls10(self):
        with testlib.start_tls_service("--mode", "tls12") as service:
            code, output = s_client(service.address, service.port, "-tls1", "-cipher",
                                    LOW_SECURITY)
            self.assertNotEqual(code, 0, output)
            code, output = s_client(service.address, service.port, "-tls1_2")
            self.assertEqual(code, 0, output)
            self.assertRegex(output, r"Protocol\s*: TLSv1.2\n")
            self.assertEqual(service.wait_for_records(1)[0]["kind"], "handshake_failed")

    def test_expired_certificate_still_serves_unverifying_clients(self):
        with tempfile.TemporaryDirectory() as directory, testlib.start_tls_service(
                "--expired", "--cert-out", f"{directory}/cert.pem", "--status", "503",
                "--body", "later") as service:
            pem = f"{directory}/cert.pem"
            check = subprocess.run(["openssl", "x509", "-in", pem, "-noout", "-checkend", "0"],
                                   capture_output=True, timeout=30)
            self.assertEqual(check.returncode, 1)  # already expired
            code, out, err = curl(*TLS10_CURL, "-w", " %{http_code}",
                                  f"https://{service.address}:{service.port}/")
            self.assertEqual((code, out), (0, b"later 503"), err)

    def test_close_during_handshake(self):
        with testlib.start_tls_service("--mode", "handshake-close") as service:
            code, _, _ = curl(*TLS10_CURL, f"https://{service.address}:{service.port}/")
            self.assertEqual(code, 35)  # TLS connect error
            [record] = service.wait_for_records(1)
            self.assertEqual(record["kind"], "handshake_closed")
            self.assertEqual(testlib.body_of({"body_b64": record["client_hello_b64"]})[:1],
                             b"\x16")  # a handshake record

    def test_through_the_proxy_tunnel(self):
        with testlib.start_tls_service("--cert-name", "ekasa.test") as service, \
                testlib.start_proxy("--map", f"ekasa.test={service.address}") as proxy:
            code, out, err = curl(*TLS10_CURL, "--proxytunnel", "-x",
                                  f"http://{proxy.address}:{proxy.port}",
                                  f"https://ekasa.test:{service.port}/mdu/soap/services/v2")
            self.assertEqual(code, 0, err)
            [connect] = proxy.wait_for_records(1, kind="connect")
            self.assertEqual(connect["target"], f"ekasa.test:{service.port}")
            [request] = service.wait_for_records(1)
            self.assertEqual(request["sni"], "ekasa.test")


if __name__ == "__main__":
    unittest.main()
