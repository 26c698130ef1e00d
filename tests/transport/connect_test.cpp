#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "http/transport/connection_errors.h"
#include "http/transport/socket_error.h"
#include "http/transport/tcp_client.h"
#include "http/transport/tcp_io_handler.h"
#include "test_helpers.h"

using namespace http;
using transport_test::ClosedPort;
using transport_test::expectError;
using transport_test::FullListener;
using transport_test::LoopbackServer;
using transport_test::Stopwatch;

namespace {

void expectRefused(int connectTimeout) {
  const ClosedPort closed;
  TcpClient client;
  client.setHost(u"127.0.0.1");
  client.setPort(closed.port());
  client.setConnectTimeout(connectTimeout);
  const Stopwatch watch;
  try {
    client.connect();
    FAIL() << "connect to a closed port succeeded";
  } catch (const SocketError& error) {
    EXPECT_TRUE(typeid(error) == typeid(SocketError));
    EXPECT_EQ(error.lastError(), 10061);
    EXPECT_EQ(error.message(), u"Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_LT(watch.elapsedMs(), 2000);
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(client.ioHandler(), nullptr);  // the client's own handler is freed
}

}  // namespace

TEST(ConnectTest, RefusedConnectRaisesAtOnceWithAndWithoutLimit) {
  expectRefused(15000);
  expectRefused(0);
  expectRefused(-1);
}

TEST(ConnectTest, ConnectLimitExpiresAgainstSilentListenerAndClosesSocket) {
  const FullListener silent;
  TcpIoHandler handler;
  TcpClient client;
  client.setIoHandler(&handler);
  client.setHost(u"127.0.0.1");
  client.setPort(silent.port());
  client.setConnectTimeout(400);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const Stopwatch watch;
    expectError<ConnectTimeoutError>([&] { client.connect(); }, u"Connect timed out.");
    EXPECT_GE(watch.elapsedMs(), 390);
    EXPECT_LT(watch.elapsedMs(), 3000);
    EXPECT_FALSE(handler.hasSocket());
    EXPECT_FALSE(handler.opened());
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(client.ioHandler(), &handler);  // a handler we were given stays attached
  }
  // The same client connects afresh elsewhere.
  const LoopbackServer server;
  client.setPort(server.port());
  client.connect();
  EXPECT_TRUE(client.connected());
  EXPECT_EQ(handler.binding()->peerPort(), server.port());
}

TEST(ConnectTest, TimedConnectSucceedsAndFillsAddresses) {
  const LoopbackServer server;
  TcpClient client;
  client.setConnectTimeout(3000);
  client.connect(u"127.0.0.1", server.port());
  ASSERT_NE(client.socket(), nullptr);
  const SocketHandle& binding = *client.socket()->binding();
  EXPECT_EQ(binding.peerIP(), u"127.0.0.1");
  EXPECT_EQ(binding.peerPort(), server.port());
  EXPECT_NE(binding.port(), 0);
  EXPECT_TRUE(client.connected());
  EXPECT_TRUE(client.managedIoHandler());
}

TEST(ConnectTest, ArgumentAndStateErrors) {
  TcpClient client;
  expectError<HostRequiredError>([&] { client.connect(); }, u"A Host is required");
  client.setHost(u"127.0.0.1");
  expectError<PortRequiredError>([&] { client.connect(); }, u"A Port is required");
  const LoopbackServer server;
  client.setPort(server.port());
  client.connect();
  expectError<AlreadyConnectedError>([&] { client.connect(); }, u"Already connected.");
  client.disconnect();
  EXPECT_FALSE(client.connected());
  client.connect();  // a closed client connects again
  EXPECT_TRUE(client.connected());
}

TEST(ConnectTest, ReconnectsAfterDisconnectWithUnreadBytes) {
  LoopbackServer server;
  TcpClient client;
  client.connect(u"127.0.0.1", server.port());
  auto peer = server.accept();
  peer.send("unread reply");
  ASSERT_TRUE(client.ioHandler()->checkForDataOnSource(5000));
  client.disconnect();
  EXPECT_FALSE(client.connected());
  client.connect();
  EXPECT_TRUE(client.connected());
}

TEST(ConnectTest, LocalhostInAnyCaseConnectsToLoopback) {
  const LoopbackServer server;
  TcpClient client;
  std::vector<std::pair<ConnectionStatus, std::u16string>> reports;
  client.onStatus = [&](ConnectionStatus status, const std::u16string& text) {
    reports.emplace_back(status, text);
  };
  bool connectedHook = false;
  client.onConnected = [&] { connectedHook = true; };
  client.connect(u"LocalHost", server.port());
  EXPECT_EQ(client.socket()->binding()->peerIP(), u"127.0.0.1");
  EXPECT_TRUE(connectedHook);
  client.disconnect();
  const std::vector<std::pair<ConnectionStatus, std::u16string>> expected = {
      {ConnectionStatus::Resolving, u"Resolving hostname LocalHost."},
      {ConnectionStatus::Connecting, u"Connecting to 127.0.0.1."},
      {ConnectionStatus::Connected, u"Connected."},
      {ConnectionStatus::Disconnecting, u"Disconnecting."},
      {ConnectionStatus::Disconnected, u"Disconnected."},
  };
  EXPECT_EQ(reports, expected);
}

TEST(ConnectTest, AddressesWithLeadingZerosOrBlanksConnectByTheirParts) {
  const LoopbackServer server;
  for (const std::u16string host : {u"127.000.000.001", u" 127.0.0.1", u"127.0.0.001 "}) {
    TcpClient client;
    for (const int limit : {0, 3000}) {  // the plain and the timed connect
      client.setConnectTimeout(limit);
      client.connect(host, server.port());
      EXPECT_EQ(client.socket()->binding()->peerIP(), u"127.0.0.1");
      client.disconnect();
    }
  }
}

TEST(ConnectTest, UnknownHostRaisesLookupErrorAndFreesHandler) {
  TcpClient client;
  client.setConnectTimeout(1000);
  client.setHost(u"no-such-host..invalid");
  client.setPort(80);
  try {
    client.connect();
    FAIL();
  } catch (const SocketError& error) {
    EXPECT_EQ(error.lastError(), 11001);
  }
  EXPECT_EQ(client.ioHandler(), nullptr);
}

TEST(ConnectTest, SettingsReachTheAttachedHandler) {
  TcpIoHandler handler;
  TcpClient client;
  client.setReadTimeout(1234);
  client.setConnectTimeout(55);
  client.setHost(u"h");
  client.setPort(7);
  client.setIoHandler(&handler);
  EXPECT_EQ(handler.readTimeout(), 1234);
  EXPECT_EQ(handler.connectTimeout(), 55);
  EXPECT_EQ(handler.host(), u"h");
  EXPECT_EQ(handler.port(), 7);
  handler.setReadTimeout(99);
  EXPECT_EQ(client.readTimeout(), 99);
  client.setReadTimeout(-1);
  EXPECT_EQ(handler.readTimeout(), -1);
}

TEST(ConnectTest, ConnectionForgetsAHandlerDestroyedFirst) {
  TcpClient client;
  {
    TcpIoHandler handler;
    client.setIoHandler(&handler);
  }
  EXPECT_EQ(client.ioHandler(), nullptr);
  EXPECT_FALSE(client.connected());
  expectError<NotConnectedError>([&] { client.checkForGracefulDisconnect(true); },
                                 u"Not Connected");
}
