#include <gtest/gtest.h>
#include <netdb.h>

#include <cerrno>

#include "http/transport/connection_errors.h"
#include "http/transport/socket_error.h"
#include "http/transport/socket_handle.h"
#include "http/transport/socket_stack.h"
#include "http/transport/tcp_client.h"
#include "test_helpers.h"

using namespace http;
using transport_test::expectError;

TEST(SocketErrorTest, MessagesCarryNumberAndText) {
  const SocketError refused(10061);
  EXPECT_EQ(refused.lastError(), 10061);
  EXPECT_EQ(refused.message(), u"Socket Error # 10061\r\nConnection refused.");
  EXPECT_EQ(SocketError(11001).message(), u"Socket Error # 11001\r\nHost not found.");
  EXPECT_EQ(SocketError(10066).message(), u"Socket Error # 10066\r\nDirectory not empty");
  // Outside the table: the number and an empty second line.
  EXPECT_EQ(SocketError(12345).message(), u"Socket Error # 12345\r\n");
  EXPECT_EQ(socketErrorText(10000), u"");
  EXPECT_STREQ(refused.what(), "Socket Error # 10061\r\nConnection refused.");
}

TEST(SocketErrorTest, RaisingPicksTheClassByNumber) {
  expectError<NotASocketError>([] { raiseSocketError(10038); },
                               u"Socket Error # 10038\r\nSocket operation on non-socket.");
  expectError<SocketError>([] { raiseSocketError(10054); },
                           u"Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(SocketErrorTest, SystemCodesMapOntoWinsockNumbers) {
  EXPECT_EQ(socketErrorFromErrno(ECONNREFUSED), 10061);
  EXPECT_EQ(socketErrorFromErrno(ETIMEDOUT), 10060);
  EXPECT_EQ(socketErrorFromErrno(ECONNRESET), 10054);
  EXPECT_EQ(socketErrorFromErrno(ECONNABORTED), 10053);
  EXPECT_EQ(socketErrorFromErrno(EPIPE), 10058);
  EXPECT_EQ(socketErrorFromErrno(EHOSTUNREACH), 10065);
  EXPECT_EQ(socketErrorFromErrno(ENETUNREACH), 10051);
  EXPECT_EQ(socketErrorFromErrno(EADDRINUSE), 10048);
  EXPECT_EQ(socketErrorFromErrno(EINPROGRESS), 10036);
  EXPECT_EQ(socketErrorFromErrno(EAGAIN), 10035);
  EXPECT_EQ(socketErrorFromErrno(ENOTSOCK), 10038);
  EXPECT_EQ(socketErrorFromResolver(EAI_NONAME, 0), 11001);
  EXPECT_EQ(socketErrorFromResolver(EAI_AGAIN, 0), 11002);
  EXPECT_EQ(socketErrorFromResolver(EAI_SYSTEM, ECONNREFUSED), 10061);
}

TEST(NameResolutionTest, RecognisesDottedIPv4Literals) {
  EXPECT_TRUE(SocketStack::isIP(u"1.2.3.4"));
  EXPECT_TRUE(SocketStack::isIP(u"127.0.0.1"));
  EXPECT_TRUE(SocketStack::isIP(u"255.255.255.255"));
  EXPECT_TRUE(SocketStack::isIP(u" 1. 2.3 .4"));
  EXPECT_FALSE(SocketStack::isIP(u"1.2.3"));
  EXPECT_FALSE(SocketStack::isIP(u"1.2.3.4.5"));
  EXPECT_FALSE(SocketStack::isIP(u"256.1.1.1"));
  EXPECT_FALSE(SocketStack::isIP(u"10.0.0.256"));
  EXPECT_FALSE(SocketStack::isIP(u"a.b.c.d"));
  EXPECT_FALSE(SocketStack::isIP(u"1..3.4"));
  EXPECT_FALSE(SocketStack::isIP(u""));
  EXPECT_FALSE(SocketStack::isIP(u"-1.2.3.4"));
}

TEST(NameResolutionTest, LocalhostAndLiteralsNeedNoLookup) {
  const SocketStackUser user;
  auto& stack = SocketStack::instance();
  EXPECT_EQ(stack.resolveHost(u"LOCALHOST", IpVersion::V4), u"127.0.0.1");
  EXPECT_EQ(stack.resolveHost(u"localHost", IpVersion::V4), u"127.0.0.1");
  EXPECT_EQ(stack.resolveHost(u"127.0.0.9", IpVersion::V4), u"127.0.0.9");
  EXPECT_EQ(stack.resolveHost(u"LocalHost", IpVersion::V6), u"::1");
  EXPECT_EQ(stack.resolveHost(u"0:0::1", IpVersion::V6), u"::1");
}

TEST(NameResolutionTest, UnresolvableNameRaisesHostNotFound) {
  const SocketStackUser user;
  // An empty label is refused by the resolver itself, so no DNS server is asked.
  expectError<SocketError>(
      [] { SocketStack::instance().hostByName(u"no-such-host..invalid", IpVersion::V4); },
      u"Socket Error # 11001\r\nHost not found.");
  try {
    SocketStack::instance().resolveHost(u"no-such-host..invalid", IpVersion::V4);
    FAIL();
  } catch (const SocketError& error) {
    EXPECT_EQ(error.lastError(), 11001);
  }
}

TEST(SocketStackTest, ExistsWhileUsersHoldIt) {
  ASSERT_EQ(SocketStack::usageCount(), 0);
  expectError<SocketStackError>([] { SocketStack::instance(); }, u"Stack Class is undefined.");
  {
    TcpClient client;
    const ByteQueue queue;
    EXPECT_EQ(SocketStack::usageCount(), 2);
    EXPECT_NO_THROW(SocketStack::instance());
  }
  EXPECT_EQ(SocketStack::usageCount(), 0);
}

TEST(SocketHandleTest, CloseTwiceAndIpVersionRules) {
  SocketHandle handle;
  handle.allocateSocket(SOCK_STREAM);
  ASSERT_TRUE(handle.handleAllocated());
  EXPECT_EQ(handle.socketType(), SOCK_STREAM);
  EXPECT_TRUE(handle.useNagle());
  expectError<IpVersionChangeError>([&] { handle.setIPVersion(IpVersion::V6); },
                                    u"Cannot change IPVersion when connected");
  handle.closeSocket();
  EXPECT_FALSE(handle.handleAllocated());
  EXPECT_EQ(handle.handle(), kInvalidSocket);
  handle.closeSocket();
  expectError<ConnectionClosedError>([&] { handle.readable(0); }, u"Connection Closed Gracefully.");
  handle.setIPVersion(IpVersion::V6);
  EXPECT_EQ(handle.ipVersion(), IpVersion::V6);
}

TEST(SocketHandleTest, BindsAndConnectsOnLoopback) {
  transport_test::LoopbackServer server;
  SocketHandle handle;
  handle.allocateSocket(SOCK_STREAM);
  handle.bind();
  EXPECT_NE(handle.port(), 0);
  handle.setPeer(u"127.0.0.1", server.port(), IpVersion::V4);
  handle.connect();
  EXPECT_EQ(handle.peerIP(), u"127.0.0.1");
  EXPECT_EQ(handle.peerPort(), server.port());
  EXPECT_EQ(handle.ip(), u"127.0.0.1");
  handle.setUseNagle(false);
  EXPECT_FALSE(handle.useNagle());
  auto peer = server.accept();
  peer.send("x");
  EXPECT_TRUE(handle.readable(5000));
  std::uint8_t byte = 0;
  EXPECT_EQ(handle.receive({&byte, 1}), 1);
  EXPECT_EQ(byte, 'x');
}

TEST(SocketHandleTest, SendToAResetPeerRaisesWithoutSignal) {
  transport_test::LoopbackServer server;
  SocketHandle handle;
  handle.allocateSocket(SOCK_STREAM);
  handle.setPeer(u"127.0.0.1", server.port(), IpVersion::V4);
  handle.connect();
  server.accept().abort();
  const std::vector<std::uint8_t> bytes(65536, 'a');
  // The first sends may still be taken; within a few the reset shows. No SIGPIPE may end us.
  try {
    for (int i = 0; i < 64; ++i) handle.send(bytes);
    FAIL() << "sending to a reset peer kept succeeding";
  } catch (const SocketError& error) {
    EXPECT_TRUE(error.lastError() == 10054 || error.lastError() == 10058) << error.lastError();
  }
}
