// Handshakes against the shared TLS test service (tools/tls_service.py).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "child_process.h"
#include "http/base/stream.h"
#include "http/tls/tls_errors.h"
#include "tls_test_support.h"

namespace {

using PeerProcess = testsupport::ChildProcess;
using tls_test::TlsClient;

// The service on a free port of 127.0.0.1, recording into a file of its own.
class TlsService {
 public:
  explicit TlsService(std::vector<std::string> options) : recordFile_(makeRecordFile()) {
    std::vector<std::string> arguments = {
        PYTHON3, "-W",       "ignore",    TLS_SERVICE_SCRIPT,   "127.0.0.1",      "--port",
        "0",     "--record", recordFile_, "--announce-records", "--max-lifetime", "120"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    process_ = std::make_unique<PeerProcess>(arguments);
    const std::string ready = process_->waitFor("ready 127.0.0.1 ");
    port_ = ready.empty() ? 0 : tls_test::portOf(ready);
  }
  ~TlsService() {
    process_.reset();
    ::unlink(recordFile_.c_str());
  }

  [[nodiscard]] std::uint16_t port() const { return port_; }
  // Waits for the next record of the kind and returns every record written so far.
  std::string waitForRecord(const std::string& kind) {
    for (;;) {
      const std::string line = process_->waitFor("record ");
      if (line.empty()) return {};
      if (line.ends_with(" " + kind)) break;
    }
    std::ifstream file(recordFile_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

 private:
  static std::string makeRecordFile() {
    std::string name = "/tmp/tls-test-records-XXXXXX";
    const int fd = ::mkstemp(name.data());
    if (fd >= 0) ::close(fd);
    return name;
  }

  std::string recordFile_;
  std::unique_ptr<PeerProcess> process_;
  std::uint16_t port_ = 0;
};

std::string decodeBase64(std::string_view text) {
  static constexpr std::string_view kAlphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  unsigned bits = 0;
  int count = 0;
  for (const char c : text) {
    const auto value = kAlphabet.find(c);
    if (value == std::string_view::npos) continue;  // padding
    bits = (bits << 6U) | static_cast<unsigned>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>((bits >> static_cast<unsigned>(count)) & 0xFFU));
    }
  }
  return bytes;
}

// The value of a string field of a JSON record line.
std::string fieldOf(const std::string& records, const std::string& name) {
  const std::string key = "\"" + name + "\": \"";
  const auto start = records.find(key);
  if (start == std::string::npos) return {};
  const auto from = start + key.size();
  return records.substr(from, records.find('"', from) - from);
}

constexpr char16_t kServiceUrl[] = u"https://ekasa.test/mdu/soap/services/v2";

// One HTTP/1.0 exchange over the secure connection; the service closes with close_notify.
std::string exchange(http::IoHandler& io) {
  io.write(std::string_view("GET /mdu/soap/services/v2 HTTP/1.0\r\nHost: ekasa.test\r\n\r\n"));
  http::MemoryStream body;
  io.readStream(body, -1, true);
  return std::string(body.view());
}

TEST(TlsHandshakeTest, Tls10ServerAcceptsAndGetsTheServerNameOfTheUrl) {
  TlsService service({"--mode", "tls1"});
  ASSERT_NE(service.port(), 0);
  TlsClient tls(service.port());
  std::u16string status;
  tls.handler.onStatusInfo = [&](const std::u16string& text) { status = text; };
  tls.handler.setUriToCheck(kServiceUrl);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  EXPECT_FALSE(tls.handler.passThrough());
  EXPECT_NE(text::utf16ToUtf8(status).find("; version = TLSv1.0; "), std::string::npos)
      << text::utf16ToUtf8(status);

  // Everything until the close_notify, and that close is a normal end.
  const std::string reply = exchange(tls.io());
  EXPECT_TRUE(reply.starts_with("HTTP/1.1 200 OK\r\n")) << reply;
  EXPECT_TRUE(reply.ends_with("<response>OK</response>")) << reply;
  EXPECT_FALSE(tls.client.connected());

  const std::string records = service.waitForRecord("request");
  EXPECT_NE(records.find(R"("sni": "ekasa.test")"), std::string::npos) << records;
  EXPECT_NE(records.find(R"("tls_version": "TLSv1")"), std::string::npos) << records;
}

TEST(TlsHandshakeTest, Tls12OnlyServerRefusesTheClient) {
  TlsService service({"--mode", "tls12"});
  ASSERT_NE(service.port(), 0);
  TlsClient tls(service.port());
  tls.handler.setUriToCheck(kServiceUrl);
  tls.handler.setPassThrough(false);
  try {
    tls.client.connect();
    ADD_FAILURE() << "the handshake succeeded";
  } catch (const http::TlsUnderlyingCryptoError& error) {
    const std::string text = error.what();
    EXPECT_TRUE(text.starts_with("Error connecting with SSL.\r\nerror:")) << text;
    EXPECT_NE(text.find("protocol version"), std::string::npos) << text;
  }
  // The failed connect leaves the handler closed and without TLS state.
  EXPECT_FALSE(tls.handler.hasSocket());
  EXPECT_EQ(tls.handler.context(), nullptr);
  EXPECT_EQ(tls.handler.session(), nullptr);
  // The service found no version of its own among those offered.
  const std::string records = service.waitForRecord("handshake_failed");
  EXPECT_NE(records.find("UNSUPPORTED_PROTOCOL"), std::string::npos) << records;
}

TEST(TlsHandshakeTest, ExpiredSelfSignedCertificateIsNotVerified) {
  TlsService service({"--mode", "tls1", "--expired"});
  ASSERT_NE(service.port(), 0);
  TlsClient tls(service.port());
  tls.handler.setUriToCheck(kServiceUrl);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  EXPECT_TRUE(exchange(tls.io()).starts_with("HTTP/1.1 200 OK\r\n"));
}

TEST(TlsHandshakeTest, PeerClosingDuringTheHandshakeIsAnEofViolation) {
  TlsService service({"--mode", "handshake-close"});
  ASSERT_NE(service.port(), 0);
  TlsClient tls(service.port());
  tls.handler.setUriToCheck(kServiceUrl);
  tls.handler.setPassThrough(false);
  try {
    tls.client.connect();
    ADD_FAILURE() << "the handshake succeeded";
  } catch (const http::TlsConnectError& error) {
    EXPECT_EQ(std::string(error.what()),
              "Error connecting with SSL.\r\nEOF was observed that violates the protocol");
    EXPECT_EQ(error.errorCode(), 5);
    EXPECT_EQ(error.retCode(), 0);
  }
  EXPECT_FALSE(tls.client.connected());
  // The client hello went out before the close: a handshake record whose hello names TLS 1.0
  // (3.1) as the highest version and carries the server name.
  const std::string hello =
      decodeBase64(fieldOf(service.waitForRecord("handshake_closed"), "client_hello_b64"));
  ASSERT_GT(hello.size(), 11U);
  EXPECT_EQ(hello[0], 0x16);
  EXPECT_EQ(hello[5], 0x01);
  EXPECT_EQ(hello[9], 3);
  EXPECT_EQ(hello[10], 1);
  EXPECT_NE(hello.find("ekasa.test"), std::string::npos);
}

}  // namespace
