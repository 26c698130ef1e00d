#include "http/transport/byte_queue.h"

#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <string>

#include "http/base/stream.h"
#include "http/base/text_encoding.h"
#include "test_helpers.h"

using namespace http;
using transport_test::expectError;

TEST(ByteQueueTest, BehavesAsAFifoThroughGrowthAndCompaction) {
  ByteQueue queue;
  std::deque<std::uint8_t> model;
  std::mt19937 random(12345);
  std::uint8_t next = 0;
  for (int step = 0; step < 4000; ++step) {
    if (random() % 2 == 0) {
      std::string piece(random() % 5000, '\0');
      for (auto& byte : piece) byte = static_cast<char>(next++);
      if (random() % 2 == 0) {
        queue.append(piece);
      } else {
        const auto target = queue.prepareAppend(piece.size() + 10);
        std::copy(piece.begin(), piece.end(), target.begin());
        queue.commitAppend(piece.size());
      }
      model.insert(model.end(), piece.begin(), piece.end());
    } else {
      const auto count = static_cast<std::int64_t>(random() % (model.size() + 1));
      const auto taken = queue.extract(count);
      ASSERT_TRUE(std::equal(taken.begin(), taken.end(), model.begin()));
      model.erase(model.begin(), model.begin() + count);
    }
    ASSERT_EQ(queue.size(), static_cast<std::int64_t>(model.size()));
    ASSERT_TRUE(std::equal(queue.bytes().begin(), queue.bytes().end(), model.begin()));
    // Storage stays near the contents: 2048 bytes of slack beyond one large receive.
    ASSERT_LE(queue.capacity(), model.size() + 5010 + 2048 + 65536 + 2048);
  }
}

TEST(ByteQueueTest, LimitsAndTheirTexts) {
  ByteQueue queue;
  queue.append(std::string_view("abc"));
  expectError<NotEnoughDataInBufferError>([&] { queue.remove(4); },
                                          u"Not enough data in buffer. (4/3)");
  expectError<TooMuchDataInBufferError>(
      [&] { queue.prepareAppend(static_cast<std::size_t>(ByteQueue::kMaxSize)); },
      u"Too much data in buffer.");
  EXPECT_EQ(queue.view(), "abc");
}

TEST(ByteQueueTest, TerminatorSearch) {
  ByteQueue queue;
  queue.append(std::string_view("ab\r\ncd\r\n"));
  EXPECT_EQ(queue.indexOf("\r\n"), 2);
  EXPECT_EQ(queue.indexOf("\r\n", 3), 6);
  EXPECT_EQ(queue.indexOf("x"), -1);
  EXPECT_EQ(queue.indexOf("\n", 7), 7);
  expectError<NetError>([&] { (void)queue.indexOf(""); }, u"Buffer terminator must be specified.");
  expectError<NetError>([&] { (void)queue.indexOf("a", 8); }, u"Buffer start position is invalid.");
  expectError<NetError>([&] { (void)queue.indexOf("a", -1); },
                        u"Buffer start position is invalid.");
}

TEST(ByteQueueTest, ExtractsToStreamAndText) {
  ByteQueue queue;
  queue.append(
      std::string_view("head\xff"
                       "body"));
  EXPECT_EQ(queue.extractText(5, *asciiEncoding()), u"head\uFFFD");
  MemoryStream stream;
  queue.extractToStream(stream, 2);
  queue.extractToStream(stream);
  EXPECT_EQ(stream.view(), "body");
  EXPECT_TRUE(queue.empty());
}

TEST(TextEncodingTest, AsciiReplacesWhatItCannotCarry) {
  const auto& ascii = *asciiEncoding();
  EXPECT_EQ(ascii.encode(u"ok \u00e9\u20ac\U0001F600!"),
            "ok ??"
            "?!");
  EXPECT_EQ(ascii.decode("a\x80z\xff"), u"a\uFFFDz\uFFFD");
  const auto& utf8 = *utf8Encoding();
  EXPECT_EQ(utf8.encode(u"\u00e9\U0001F600"), "\xc3\xa9\xf0\x9f\x98\x80");
  EXPECT_EQ(utf8.decode("\xc3\xa9\xc3"), u"\u00e9\uFFFD");
}
