#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "http/base/stream.h"
#include "http/transport/connection_errors.h"
#include "http/transport/tcp_client.h"
#include "http/transport/tcp_io_handler.h"
#include "test_helpers.h"

using namespace http;
using transport_test::expectError;

namespace {

std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 31 + 7) & 0xFF);
  return bytes;
}

}  // namespace

class WriteTest : public transport_test::ConnectedTest {};

TEST_F(WriteTest, TextAndLinesUseTheEncoding) {
  connect();
  io().write(u"GET / HTTP/1.1");
  io().writeLine(u"");
  io().write(u"");  // nothing
  io().writeLine(u"caf\u00e9 \U0001F600");
  io().writeLine(u"caf\u00e9", utf8Encoding().get());
  io().setDefaultTextEncoding(utf8Encoding());
  io().writeLines({u"\u00e9", u"end"});
  const std::string expected = "GET / HTTP/1.1\r\ncaf? ?\r\ncaf\xc3\xa9\r\n\xc3\xa9\r\nend\r\n";
  EXPECT_EQ(peer->receive(expected.size()), expected);
}

TEST_F(WriteTest, StreamWritesGoOutWholeInPieces) {
  connect();
  const std::string body = pattern(886 * 1024 + 123);
  MemoryStream stream;
  stream.write(body);  // position at the end: size 0 still sends from the start
  std::vector<std::int64_t> sends;
  std::int64_t announced = 0;
  io().workProgress().begin = [&](WorkMode, std::int64_t total) { announced = total; };
  io().workProgress().work = [&](WorkMode mode, std::int64_t count) {
    if (mode == WorkMode::Write) sends.push_back(count);
  };
  std::string received;
  std::thread reader([&] { received = peer->receive(body.size()); });
  io().write(stream);
  reader.join();
  EXPECT_EQ(received, body);
  EXPECT_EQ(announced, static_cast<std::int64_t>(body.size()));
  for (const auto count : sends) EXPECT_LE(count, 32768);
}

TEST_F(WriteTest, StreamSizeSelectsTheRange) {
  connect();
  MemoryStream stream;
  stream.write(std::string_view("0123456789"));
  stream.setPosition(4);
  io().write(stream, 3);   // three from the position
  io().write(stream, -1);  // the rest
  EXPECT_EQ(peer->receive(6), "456789");
  stream.setPosition(8);
  expectError<NoDataToReadError>([&] { io().write(stream, 5); }, u"No data to read.");
}

TEST_F(WriteTest, BytesWithLengthAndOffset) {
  connect();
  const std::string text = "abcdefgh";
  const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  io().write(bytes, 3, 2);
  io().write(bytes, -1, 6);
  io().write(bytes, 100, 7);
  io().write(bytes, 0, 0);
  EXPECT_EQ(peer->receive(6), "cdeghh");
}

TEST_F(WriteTest, WriteBufferHoldsBytesUntilFlushed) {
  connect();
  io().writeBufferOpen();
  io().write(std::string_view("held "));
  io().writeLine(u"back");
  EXPECT_FALSE(peer->pending());
  io().writeBufferFlush(3);
  EXPECT_EQ(peer->receive(3), "hel");
  io().writeBufferClose();
  EXPECT_FALSE(io().writeBufferingActive());
  EXPECT_EQ(peer->receive(8), "d back\r\n");
  io().writeBufferOpen();
  io().write(std::string_view("dropped"));
  io().writeBufferCancel();
  io().write(std::string_view("direct"));
  EXPECT_EQ(peer->receive(6), "direct");
}

TEST_F(WriteTest, WriteAfterPeerCloseRaisesClosed) {
  connect();
  peer->close();
  MemoryStream stream;
  io().readStream(stream, -1, true);  // notices the close
  expectError<ConnectionClosedError>([&] { io().write(std::string_view("x")); },
                                     u"Connection Closed Gracefully.");
}

TEST(WriteLimit, APeerThatNeverReadsEndsTheSendWithTheReadTimeout) {
  transport_test::LoopbackServer server;
  TcpIoHandler handler;
  // Small buffers on both sides, so that the bytes in flight fill them quickly.
  handler.onAfterBind = [&] {
    SocketStack::instance().setSocketOption(handler.binding()->handle(), SOL_SOCKET, SO_SNDBUF,
                                            4096);
  };
  TcpClient client;
  client.setIoHandler(&handler);
  client.setHost(u"127.0.0.1");
  client.setPort(server.port());
  client.setReadTimeout(300);
  client.connect();
  const transport_test::Peer peer = server.accept();
  const int small = 4096;
  ::setsockopt(peer.fd(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
  MemoryStream stream(std::vector<std::uint8_t>(4U << 20U, 'x'));
  const transport_test::Stopwatch watch;
  expectError<ReadTimeoutError>([&] { handler.write(stream); }, u"Read timed out.");
  EXPECT_GE(watch.elapsedMs(), 250);
  EXPECT_LT(watch.elapsedMs(), 5000);
  client.setIoHandler(nullptr);
}
