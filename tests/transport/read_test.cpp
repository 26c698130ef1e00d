#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "http/base/stream.h"
#include "http/transport/connection_errors.h"
#include "http/transport/socket_error.h"
#include "http/transport/tcp_client.h"
#include "http/transport/tcp_io_handler.h"
#include "test_helpers.h"

using namespace http;
using transport_test::expectError;
using transport_test::Stopwatch;

namespace {

std::string toString(const std::vector<std::uint8_t>& bytes) {
  return {bytes.begin(), bytes.end()};
}

// Receives into the input buffer until it holds count bytes.
void bufferAtLeast(IoHandler& io, std::int64_t count) {
  while (io.inputBuffer().size() < count) ASSERT_GT(io.fillInputBuffer(true, 5000, true), 0);
}

// A stream that records how far it was ever sized.
class SizeRecordingStream final : public Stream {
 public:
  [[nodiscard]] std::int64_t size() const override { return inner_.size(); }
  void setSize(std::int64_t newSize) override {
    largestSize_ = std::max(largestSize_, newSize);
    inner_.setSize(newSize);
  }
  [[nodiscard]] std::int64_t position() const override { return inner_.position(); }
  void setPosition(std::int64_t newPosition) override { inner_.setPosition(newPosition); }
  std::size_t read(std::span<std::uint8_t> target) override { return inner_.read(target); }
  void write(std::span<const std::uint8_t> source) override { inner_.write(source); }

  [[nodiscard]] std::int64_t largestSize() const { return largestSize_; }
  [[nodiscard]] std::string_view view() const { return inner_.view(); }

 private:
  MemoryStream inner_;
  std::int64_t largestSize_ = 0;
};

}  // namespace

class ReadLineTest : public transport_test::ConnectedTest {};

TEST_F(ReadLineTest, LineEndingsAndEmbeddedCarriageReturn) {
  connect();
  peer->send("HTTP/1.1 200 OK\r\nHTTP/1.1 200 OK\nA\rB\r\n\r\n\r\rX\r\n");
  EXPECT_EQ(io().readLine(), u"HTTP/1.1 200 OK");
  EXPECT_EQ(io().readLine(), u"HTTP/1.1 200 OK");
  EXPECT_EQ(io().readLine(), u"A\rB");
  EXPECT_EQ(io().readLine(), u"");
  EXPECT_FALSE(io().readLineTimedOut());
  EXPECT_EQ(io().readLine(), u"\r\rX");
  EXPECT_TRUE(io().inputBufferIsEmpty());
}

TEST_F(ReadLineTest, TerminatorSplitAcrossReceivesIsFound) {
  connect();
  peer->send("abc\r");
  bufferAtLeast(io(), 4);
  peer->send("\ndef\r");
  EXPECT_EQ(io().readLine(u"\r\n"), u"abc");
  bufferAtLeast(io(), 4);
  peer->send("\nrest");
  EXPECT_EQ(io().readLine(), u"def");
  EXPECT_EQ(io().inputBuffer().view().substr(0, 4), "rest");
}

TEST_F(ReadLineTest, NonAsciiBytesDecodeWithTheChosenEncoding) {
  connect();
  peer->send("a\xc3\xa9\r\na\xc3\xa9\r\n");
  EXPECT_EQ(io().readLine(), u"a\uFFFD\uFFFD");
  EXPECT_EQ(io().readLine(u"\n", -1, -1, utf8Encoding().get()), u"a\u00e9");
}

TEST_F(ReadLineTest, LineLimitBoundary) {
  connect();
  // LF at offset 16384, a CR before it: accepted.
  peer->send(std::string(16383, 'x') + "\r\n");
  EXPECT_EQ(io().readLine(), std::u16string(16383, u'x'));
  // 16385 bytes and no LF yet: refused before any LF arrives.
  peer->send(std::string(16385, 'y'));
  expectError<MaxLineLengthExceededError>([&] { io().readLine(); }, u"Max line length exceeded.");
}

TEST_F(ReadLineTest, LineOfExactlyTheLimitWithoutTerminatorKeepsWaiting) {
  connect(300);
  peer->send(std::string(16384, 'z'));
  EXPECT_EQ(io().readLine(), u"");
  EXPECT_TRUE(io().readLineTimedOut());
  EXPECT_EQ(io().inputBuffer().size(), 16384);
}

TEST_F(ReadLineTest, SplitActionReturnsPiecesOfTheLimit) {
  connect();
  io().setMaxLineAction(MaxLineAction::Split);
  peer->send(std::string(25, 'q') + "\n");
  EXPECT_EQ(io().readLine(u"\n", -1, 10), std::u16string(10, u'q'));
  EXPECT_TRUE(io().readLineSplit());
  EXPECT_EQ(io().readLine(u"\n", -1, 10), std::u16string(10, u'q'));
  EXPECT_EQ(io().readLine(u"\n", -1, 10), std::u16string(5, u'q'));
  EXPECT_FALSE(io().readLineSplit());
}

TEST_F(ReadLineTest, PeerClosingMidLineRaisesClosed) {
  connect();
  peer->send("abc");
  peer->close();
  expectError<ConnectionClosedError>([&] { io().readLine(); }, u"Connection Closed Gracefully.");
  // The partial line is still there.
  EXPECT_EQ(io().inputBuffer().view(), "abc");
}

TEST_F(ReadLineTest, ReadLineWaitSkipsBlankLines) {
  connect();
  peer->send("\r\n  \r\n\t\r\n  value  \r\n\r\n\r\n");
  EXPECT_EQ(io().readLineWait(), u"value");
  expectError<MaxLineAttemptsExceededError>([&] { io().readLineWait(2); },
                                            u"Max line read attempts exceeded.");
}

class ReadTimeoutTest : public transport_test::ConnectedTest {};

TEST_F(ReadTimeoutTest, SilentPeerEndsEachReadNearTheLimit) {
  connect(300);
  {
    const Stopwatch watch;
    EXPECT_EQ(io().readLine(), u"");
    EXPECT_TRUE(io().readLineTimedOut());
    EXPECT_GE(watch.elapsedMs(), 290);
    EXPECT_LT(watch.elapsedMs(), 3000);
  }
  std::vector<std::uint8_t> bytes;
  MemoryStream stream;
  const std::vector<std::function<void()>> reads = {
      [&] { io().readBytes(bytes, 4); },   [&] { io().discard(4); },
      [&] { io().readStream(stream, 4); }, [&] { io().readStream(stream, -1, true); },
      [&] { io().readLineWait(); },
  };
  for (const auto& read : reads) {
    const Stopwatch watch;
    expectError<ReadTimeoutError>(read, u"Read timed out.");
    EXPECT_GE(watch.elapsedMs(), 290);
    EXPECT_LT(watch.elapsedMs(), 3000);
  }
  // A timeout leaves the connection usable.
  EXPECT_TRUE(client.connected());
  peer->send("late\r\n");
  EXPECT_EQ(io().readLine(), u"late");
}

TEST_F(ReadTimeoutTest, TimeoutArgumentsOfOneRead) {
  connect(-1);
  peer->send("par");
  bufferAtLeast(io(), 3);
  // 0 polls: no wait at all.
  const Stopwatch poll;
  EXPECT_EQ(io().readLine(u"\n", 0), u"");
  EXPECT_TRUE(io().readLineTimedOut());
  EXPECT_LT(poll.elapsedMs(), 1000);
  // A positive argument bounds the whole call.
  const Stopwatch bounded;
  EXPECT_EQ(io().readLine(u"\n", 200), u"");
  EXPECT_TRUE(io().readLineTimedOut());
  EXPECT_GE(bounded.elapsedMs(), 190);
  EXPECT_EQ(io().inputBuffer().view(), "par");
}

TEST_F(ReadTimeoutTest, TricklingPeerNeverTimesOut) {
  connect(400);
  std::atomic<bool> stop = false;
  // Ten bytes, one every 100 ms: longer than the limit in total, never within one wait.
  std::thread trickler([&] {
    for (int i = 0; i < 10 && !stop; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      peer->send(i == 9 ? "\n" : "t");
    }
  });
  std::vector<std::uint8_t> bytes;
  try {
    io().readBytes(bytes, 5);
    EXPECT_EQ(io().readLine(), u"tttt");
  } catch (...) {
    stop = true;
    trickler.join();
    throw;
  }
  trickler.join();
  EXPECT_EQ(toString(bytes), "ttttt");
}

class CountedReadTest : public transport_test::ConnectedTest {};

TEST_F(CountedReadTest, ReadBytesAppendsOrOverwrites) {
  connect();
  peer->send("0123456789");
  std::vector<std::uint8_t> bytes = {'>', '>'};
  io().readBytes(bytes, 4);
  EXPECT_EQ(toString(bytes), ">>0123");
  io().readBytes(bytes, 3, false);
  EXPECT_EQ(toString(bytes), "456123");
  io().readBytes(bytes, -1, false);
  EXPECT_EQ(toString(bytes), "789123");
}

TEST_F(CountedReadTest, ReadBytesPastAnEarlyCloseRaisesClosed) {
  connect();
  peer->send("12345");
  peer->close();
  std::vector<std::uint8_t> bytes;
  expectError<ConnectionClosedError>([&] { io().readBytes(bytes, 10); },
                                     u"Connection Closed Gracefully.");
  EXPECT_TRUE(bytes.empty());
  io().readBytes(bytes, 5);  // what arrived before the close is still readable
  EXPECT_EQ(toString(bytes), "12345");
}

TEST_F(CountedReadTest, CountedStreamReadAcrossManyReceives) {
  connect();
  std::string body(300000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  std::thread sender([&] { peer->send(body + "tail"); });
  MemoryStream stream;
  stream.write(std::string_view("head"));
  io().readStream(stream, static_cast<std::int64_t>(body.size()));
  sender.join();
  EXPECT_EQ(stream.size(), 4 + static_cast<std::int64_t>(body.size()));
  EXPECT_EQ(stream.view().substr(4), body);
  EXPECT_EQ(io().readLine(u"\n", 300), u"");  // "tail" stays buffered
  EXPECT_EQ(io().inputBuffer().view(), "tail");
}

TEST_F(CountedReadTest, EarlyCloseKeepsWhatArrivedAndCutsTheStream) {
  connect();
  peer->send(std::string(60, 'b'));
  peer->close();
  MemoryStream stream;
  expectError<ConnectionClosedError>([&] { io().readStream(stream, 100); },
                                     u"Connection Closed Gracefully.");
  EXPECT_EQ(stream.size(), 60);
  EXPECT_EQ(stream.view(), std::string(60, 'b'));
}

TEST_F(CountedReadTest, AnnouncedHugeCountDoesNotSizeTheStreamAhead) {
  connect();
  peer->send("tiny");
  peer->close();
  SizeRecordingStream stream;
  EXPECT_THROW(io().readStream(stream, std::int64_t{1} << 40), ConnectionClosedError);
  EXPECT_LE(stream.largestSize(), std::int64_t{8} << 20);
  EXPECT_EQ(stream.view(), "tiny");
  EXPECT_EQ(stream.size(), 4);
  MemoryStream positioned;
  positioned.write(std::string_view("x"));
  expectError<StreamDataTooLargeError>(
      [&] { io().readStream(positioned, std::numeric_limits<std::int64_t>::max()); },
      u"Data is too large for stream");
}

TEST_F(CountedReadTest, ReadUntilCloseEndsNormallyAndConnectedFollowsTheBuffer) {
  connect();
  peer->send("line one\r\nline two\r\n");
  peer->close();
  EXPECT_EQ(io().readLine(), u"line one");
  EXPECT_TRUE(client.connected());  // unread bytes remain after the peer's close
  EXPECT_EQ(io().readLine(), u"line two");
  EXPECT_FALSE(client.connected());
  EXPECT_FALSE(io().opened());  // the handler closed itself after the peer's close
}

TEST_F(CountedReadTest, ReadUntilCloseTakesEverything) {
  connect();
  std::string body(200000, 'r');
  std::thread sender([&] {
    peer->send(body);
    peer->close();
  });
  MemoryStream stream;
  io().readStream(stream, -1, true);
  sender.join();
  EXPECT_EQ(stream.view(), body);
  EXPECT_FALSE(client.connected());
  // A further read needs more than is buffered.
  std::vector<std::uint8_t> bytes;
  expectError<ConnectionClosedError>([&] { io().readBytes(bytes, 1); },
                                     u"Connection Closed Gracefully.");
}

TEST_F(CountedReadTest, DiscardAndDiscardAll) {
  connect();
  peer->send("skip-me|keep\n" + std::string(50000, 'd'));
  io().discard(8);
  EXPECT_EQ(io().readLine(), u"keep");
  peer->close();
  io().discardAll();
  EXPECT_TRUE(io().inputBufferIsEmpty());
  EXPECT_FALSE(client.connected());
}

TEST_F(CountedReadTest, ResetByPeerMakesConnectedFalse) {
  connect();
  peer->abort();
  // The reset may be seen by the first or a later poll; never as an exception.
  bool connected = true;
  for (int i = 0; i < 3 && connected; ++i) connected = client.connected();
  EXPECT_FALSE(connected);
  EXPECT_FALSE(io().hasSocket());  // the failed receive closed the handler
  std::vector<std::uint8_t> bytes;
  expectError<ConnectionClosedError>([&] { io().readBytes(bytes, 1); },
                                     u"Connection Closed Gracefully.");
  client.connect();  // and the client can connect again
  EXPECT_TRUE(client.connected());
}

TEST_F(CountedReadTest, ResetDuringAReadRaisesTheSocketError) {
  connect();
  peer->send("partial");
  peer->abort();
  std::vector<std::uint8_t> bytes;
  try {
    io().readBytes(bytes, 100);
    FAIL() << "read past a reset succeeded";
  } catch (const SocketError& error) {
    EXPECT_EQ(error.lastError(), 10054);
  } catch (const ConnectionClosedError&) {
    // The reset may discard the pending bytes and end the stream without an error report.
  }
  EXPECT_FALSE(io().hasSocket());
}

namespace {

// A handler of its own class, as a TLS handler is: it keeps the wait before each receive.
class DerivedHandler final : public TcpIoHandler {};

}  // namespace

TEST_F(ReadTimeoutTest, DerivedHandlerKeepsTheSameLimits) {
  DerivedHandler handler;
  client.setIoHandler(&handler);
  connect(300);
  const Stopwatch watch;
  EXPECT_EQ(io().readLine(), u"");
  EXPECT_TRUE(io().readLineTimedOut());
  EXPECT_GE(watch.elapsedMs(), 290);
  std::vector<std::uint8_t> bytes;
  expectError<ReadTimeoutError>([&] { io().readBytes(bytes, 1); }, u"Read timed out.");
  peer->send("done\r\nrest");
  peer->close();
  EXPECT_EQ(io().readLine(), u"done");
  MemoryStream stream;
  io().readStream(stream, -1, true);
  EXPECT_EQ(stream.view(), "rest");
  EXPECT_FALSE(client.connected());
}
