// The pass-through switch, peer closes, time limits and buffered records, against tls_peer.py.
#include <gtest/gtest.h>

#include "child_process.h"
#include "http/base/stream.h"
#include "http/tls/tls_errors.h"
#include "http/transport/connection_errors.h"
#include "http/transport/socket_error.h"
#include "tls_test_support.h"

namespace {

using tls_test::expectError;
using PeerProcess = testsupport::ChildProcess;
using tls_test::TlsClient;

struct Peer {
  explicit Peer(const std::string& scenario)
      : process({PYTHON3, "-W", "ignore", TLS_PEER_SCRIPT, scenario}) {
    const std::string ready = process.waitFor("ready ");
    port = ready.empty() ? 0 : tls_test::portOf(ready);
  }
  PeerProcess process;
  std::uint16_t port = 0;
};

TEST(TlsSwitchingTest, PassThroughSwitchesBothWaysOnOneTcpConnection) {
  Peer peer("switching");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port);
  tls.client.connect();
  ASSERT_TRUE(tls.handler.passThrough());
  const std::uint16_t localPort = tls.handler.binding()->port();

  tls.io().writeLine(u"hello");
  EXPECT_EQ(peer.process.waitFor("got "), "hello");
  EXPECT_EQ(tls.io().readLine(), u"go");

  // On the open socket, as after a proxy's CONNECT; without UriToCheck the Host names the server.
  tls.handler.setPassThrough(false);
  EXPECT_EQ(peer.process.waitFor("sni "), "127.0.0.1");
  EXPECT_EQ(peer.process.waitFor("version "), "TLSv1");
  tls.io().writeLine(u"one");
  EXPECT_EQ(peer.process.waitFor("got "), "one");
  EXPECT_EQ(tls.io().readLine(), u"secure 1");

  // close_notify both ways, and the same TCP connection carries plain bytes again.
  tls.handler.setPassThrough(true);
  peer.process.waitFor("plain again");
  tls.io().writeLine(u"two");
  EXPECT_EQ(peer.process.waitFor("got "), "two");
  EXPECT_EQ(tls.io().readLine(), u"plain again");

  tls.handler.setUriToCheck(u"https://second.test/");
  tls.handler.setPassThrough(false);
  EXPECT_EQ(peer.process.waitFor("sni "), "second.test");
  tls.io().writeLine(u"three");
  EXPECT_EQ(peer.process.waitFor("got "), "three");
  EXPECT_EQ(tls.io().readLine(), u"secure 2");
  EXPECT_EQ(tls.handler.binding()->port(), localPort);

  // The peer's close_notify ends a read until close normally.
  http::MemoryStream rest;
  tls.io().readStream(rest, -1, true);
  EXPECT_EQ(rest.size(), 0);
  EXPECT_FALSE(tls.client.connected());
  EXPECT_EQ(tls.handler.session(), nullptr);
  peer.process.waitFor("closed");
}

TEST(TlsSwitchingTest, PeerDroppingTcpWithoutCloseNotifyIsAGracefulClose) {
  Peer peer("drop");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  peer.process.waitFor("dropped");

  std::vector<std::uint8_t> bytes;
  expectError<http::ConnectionClosedError>([&] { tls.io().readBytes(bytes, 100); },
                                           "Connection Closed Gracefully.");
  EXPECT_EQ(tls.io().inputBuffer().size(), 7U);  // "partial" stays readable
  http::MemoryStream rest;
  tls.io().readStream(rest, -1, true);
  EXPECT_EQ(rest.view(), "partial");
}

TEST(TlsSwitchingTest, WritingToAPeerThatHasGoneRaisesASocketError) {
  Peer peer("drop");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  peer.process.waitFor("dropped");

  // The first records may still be taken by the system; a later one meets the reset. The
  // process must get an error, not SIGPIPE.
  const std::string line(1000, 'x');
  int number = 0;
  for (int attempt = 0; attempt < 100 && number == 0; ++attempt) {
    try {
      tls.io().write(std::string_view(line));
    } catch (const http::SocketError& error) {
      number = error.lastError();
    }
  }
  EXPECT_TRUE(number == 10053 || number == 10054 || number == 10058) << number;
  EXPECT_FALSE(tls.handler.hasSocket());
}

TEST(TlsSwitchingTest, BytesHeldInsideTheLibraryAreReadWithoutASocketWait) {
  Peer peer("bulk");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port, 3000);
  // Smaller receives than the peer's 100-byte records leave the rest of each record pending.
  tls.handler.setRecvBufferSize(7);
  tls.handler.setPassThrough(false);
  tls.client.connect();

  tls.io().writeLine(u"1000");
  std::vector<std::uint8_t> bytes;
  tls.io().readBytes(bytes, 1000);
  ASSERT_EQ(bytes.size(), 1000U);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    ASSERT_EQ(bytes[i], (i % 100) % 256) << "at " << i;
  }
  tls.io().writeLine(u"done");
  EXPECT_EQ(peer.process.waitFor("got "), "done");
}

TEST(TlsSwitchingTest, SilentPeerStopsTheHandshakeAtTheReadLimit) {
  Peer peer("silent");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port, 500);
  tls.handler.setPassThrough(false);
  expectError<http::SocketError>([&] { tls.client.connect(); },
                                 "Socket Error # 10060\r\nConnection timed out.");
  EXPECT_FALSE(tls.handler.hasSocket());
  peer.process.waitFor("closed");
}

TEST(TlsSwitchingTest, TheDeadlineCutsTheHandshakeAndTheWaitForTheRestOfARecord) {
  const char* const expected = "Request did not finish within 300 ms";
  {
    Peer peer("silent");
    ASSERT_NE(peer.port, 0);
    TlsClient tls(peer.port, 5000);
    tls.handler.setPassThrough(false);
    tls.client.setDeadlineOfWaits(http::Deadline::after(300));
    expectError<http::DeadlineError>([&] { tls.client.connect(); }, expected);
    EXPECT_FALSE(tls.handler.hasSocket());
  }
  Peer peer("half-record");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port, 5000);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  peer.process.waitFor("half sent");
  tls.client.setDeadlineOfWaits(http::Deadline::after(300));
  std::vector<std::uint8_t> bytes;
  expectError<http::DeadlineError>([&] { tls.io().readBytes(bytes, 7); }, expected);
}

TEST(TlsSwitchingTest, RecordThatStopsHalfwayEndsAtTheReadLimit) {
  Peer peer("half-record");
  ASSERT_NE(peer.port, 0);
  TlsClient tls(peer.port, 500);
  tls.handler.setPassThrough(false);
  tls.client.connect();
  peer.process.waitFor("half sent");

  // The socket shows data, but the library waits inside its receive for the rest of the record.
  std::vector<std::uint8_t> bytes;
  expectError<http::ReadTimeoutError>([&] { tls.io().readBytes(bytes, 7); }, "Read timed out.");
  EXPECT_TRUE(tls.handler.hasSocket());
  EXPECT_EQ(tls.io().readLine(), u"");
  EXPECT_TRUE(tls.io().readLineTimedOut());
}

// Stands for a machine where the TLS library cannot be loaded.
class NoLibraryHandler : public http::OpenSslIoHandler {
 protected:
  void createContext() override { throw http::TlsLibraryLoadError(http::tls_text::kLibraryLoad); }
};

TEST(TlsSwitchingTest, WithoutTheLibraryOnlyPlainConnectionsWork) {
  Peer peer("switching");
  ASSERT_NE(peer.port, 0);
  {
    // A direct TLS connect fails before any socket is made.
    TlsClient<NoLibraryHandler> direct(peer.port);
    bool socketMade = false;
    direct.handler.onSocketAllocated = [&] { socketMade = true; };
    direct.handler.setPassThrough(false);
    expectError<http::TlsLibraryLoadError>([&] { direct.client.connect(); },
                                           "Could not load SSL library.");
    EXPECT_FALSE(socketMade);
  }
  // A plain connect (a proxy before CONNECT) works; switching TLS on then fails, socket kept.
  TlsClient<NoLibraryHandler> tls(peer.port);
  tls.client.connect();
  expectError<http::TlsLibraryLoadError>([&] { tls.handler.setPassThrough(false); },
                                         "Could not load SSL library.");
  EXPECT_TRUE(tls.handler.passThrough());
  tls.io().writeLine(u"hello");
  EXPECT_EQ(peer.process.waitFor("got "), "hello");
  EXPECT_EQ(tls.io().readLine(), u"go");
}

TEST(TlsSwitchingTest, SwitchingWithoutASocketOnlyStoresTheFlag) {
  http::OpenSslIoHandler handler;
  handler.setPassThrough(false);
  EXPECT_FALSE(handler.passThrough());
  EXPECT_EQ(handler.context(), nullptr);
  handler.setPassThrough(true);
  EXPECT_TRUE(handler.passThrough());
}

}  // namespace
