// Reply bodies by their framing, and the limits on what a peer may announce.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/http_client.h"
#include "http/http_errors.h"
#include "http/transport/connection_errors.h"
#include "scripted_server.h"

namespace {

using http_test::ScriptedServer;

std::string fetch(ScriptedServer& server, http::HttpClient& client, const std::string& path = "/") {
  http::MemoryStream body;
  client.get(server.url(path), body);
  return std::string(body.view());
}

TEST(ReplyFraming, ContentLengthReadsExactlyAndKeepsTheConnection) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello", /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nbye");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "hello");
  EXPECT_TRUE(client.connected());
  EXPECT_EQ(fetch(server, client), "bye");
  EXPECT_EQ(server.connections(), 1);
}

TEST(ReplyFraming, ContentLengthWithEarlyCloseEndsShortWithoutError) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabcd");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "abcd");
  EXPECT_FALSE(client.connected());
}

TEST(ReplyFraming, HugeAnnouncedLengthOnlyTakesWhatArrives) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775807\r\n\r\nabc");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "abc");
}

TEST(ReplyFraming, LengthOutsideSixtyFourBitsIsRefused) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 9223372036854775808\r\n\r\nabc");
  http::HttpClient client;
  try {
    fetch(server, client);
    FAIL() << "no error";
  } catch (const http::ReplyLimitError& error) {
    EXPECT_EQ(error.message(), u"Content-Length is too large.");
  }
  EXPECT_FALSE(client.connected());
}

TEST(ReplyFraming, ChunkedWithExtensionsAndTrailers) {
  ScriptedServer server;
  server.addReply(
      "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
      "1a;ext=1\r\nabcdefghijklmnopqrstuvwxyz\r\n"
      "3 \r\n123\r\n"
      "0\r\nX-Checksum: 99\r\nX-More: yes\r\n\r\n",
      /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "abcdefghijklmnopqrstuvwxyz123");
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Checksum"), u"99");
  EXPECT_EQ(client.response().rawHeaders.value(u"x-more"), u"yes");
  // The trailer's end leaves the connection in step for the next reply.
  EXPECT_EQ(fetch(server, client), "ok");
  EXPECT_EQ(server.connections(), 1);
}

TEST(ReplyFraming, ChunkSizesOutsideSixtyFourBitsAreRefused) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1FFFFFFFFFFFFFFFF\r\nxy");
  http::HttpClient client;
  EXPECT_THROW(fetch(server, client), http::ReplyLimitError);
  EXPECT_FALSE(client.connected());
}

TEST(ReplyFraming, LargestChunkSizeDoesNotAllocateAheadOfTheData) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7FFFFFFFFFFFFFFF\r\nxy");
  http::HttpClient client;
  EXPECT_THROW(fetch(server, client), http::ConnectionClosedError);
}

TEST(ReplyFraming, UntilCloseWithoutLengthOrChunking) {
  ScriptedServer server;
  std::string body(100000, 'x');
  body += "end";
  server.addReply("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n\r\n" + body);
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), body);
  EXPECT_FALSE(client.connected());
}

TEST(ReplyFraming, MultipartEndsAtTheClosingBoundary) {
  ScriptedServer server;
  const std::string parts =
      "--xyz\r\nContent-Type: text/plain\r\n\r\none\r\n--xyz\r\n\r\ntwo\r\n--xyz--";
  server.addReply(
      "HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=\"xyz\"\r\n\r\n" + parts + "\r\n",
      /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnext");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), parts);
  EXPECT_EQ(fetch(server, client), "next");
}

TEST(ReplyFraming, NoContentAndHeadReadNoBody) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 204 No Content\r\nContent-Length: 5\r\n\r\n", /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nlast");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "");
  http::MemoryStream body;
  client.doRequest(u"HEAD", server.url("/"), nullptr, &body);
  EXPECT_EQ(body.size(), 0);
  EXPECT_EQ(client.response().contentLength, 100);
  EXPECT_EQ(fetch(server, client), "last");
  EXPECT_EQ(server.connections(), 1);
}

TEST(ReplyFraming, HeaderBlockIsLimitedToMaxHeaderLines) {
  std::string head = "HTTP/1.1 200 OK\r\n";
  for (int i = 0; i < 255; ++i) head += "X-Line-" + std::to_string(i) + ": v\r\n";
  ScriptedServer server;
  server.addReply(head + "Content-Length: 2\r\n\r\nok");
  server.addReply(head + "\r\nok");
  http::HttpClient client;
  try {
    fetch(server, client);
    FAIL() << "no error";
  } catch (const http::ReplyLimitError& error) {
    EXPECT_EQ(error.message(), u"Too many header lines.");
  }
  EXPECT_FALSE(client.connected());
  EXPECT_EQ(fetch(server, client), "ok");
  EXPECT_EQ(client.response().rawHeaders.count(), 255U);
}

TEST(ReplyFraming, OverlongStatusOrHeaderLinesAreRefused) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 " + std::string(20000, 'x') + "\r\n\r\n");
  server.addReply("HTTP/1.1 200 OK\r\nX-Big: " + std::string(20000, 'y') + "\r\n\r\n");
  http::HttpClient client;
  EXPECT_THROW(fetch(server, client), http::MaxLineLengthExceededError);
  EXPECT_FALSE(client.connected());
  EXPECT_THROW(fetch(server, client), http::MaxLineLengthExceededError);
  EXPECT_FALSE(client.connected());
}

TEST(ReplyFraming, PeerClosingInTheHeaderBlockEndsIt) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nX-Partial: 1\r\n");
  http::HttpClient client;
  EXPECT_EQ(fetch(server, client), "");
  EXPECT_EQ(client.response().rawHeaders.value(u"X-Partial"), u"1");
}

TEST(ReplyFraming, SilentPeerRaisesReadTimeoutAndDropsTheConnection) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", /*close=*/false);
  http::HttpClient client;
  client.setReadTimeout(300);
  EXPECT_THROW(fetch(server, client), http::ReadTimeoutError);
  // Part of the body is still owed: the connection cannot carry the next request.
  EXPECT_FALSE(client.connected());
}

TEST(ReplyBodyLimit, EveryFramingStopsAtTheLimitAndDropsTheConnection) {
  const std::string head = "HTTP/1.1 200 OK\r\n";
  const std::string half(600, 'a');
  const std::string more(2000, 'b');
  const std::vector<std::string> replies = {
      head + "Content-Length: 1001\r\n\r\n" + std::string(1001, 'c'),
      head + "Transfer-Encoding: chunked\r\n\r\n258\r\n" + half + "\r\n258\r\n" + half +
          "\r\n0\r\n\r\n",
      head + "Content-Type: application/octet-stream\r\n\r\n" + more,
      head + "Content-Type: multipart/mixed; boundary=xyz\r\n\r\n--xyz\r\n\r\n" + more,
      "HTTP/1.1 404 Not Found\r\n\r\n" + more,
  };
  ScriptedServer server;
  // The peer stays open after each reply: only the limit can end the reads.
  for (const std::string& reply : replies) server.addReply(reply, /*close=*/false);
  http::HttpClient client;
  client.setReplyBodyLimit(1000);
  for (std::size_t i = 0; i < replies.size(); ++i) {
    SCOPED_TRACE(i);
    http::MemoryStream body;
    try {
      client.get(server.url("/"), body);
      ADD_FAILURE() << "no error";
    } catch (const http::ReplyLimitError& error) {
      EXPECT_EQ(error.message(), u"Reply body is larger than the limit of 1000 bytes.");
    }
    // A counted body is refused before any of it is read.
    EXPECT_LE(body.size(), i == 0 ? 0 : 1000);
    EXPECT_FALSE(client.connected());
  }
  EXPECT_EQ(server.connections(), static_cast<int>(replies.size()));
}

TEST(ReplyBodyLimit, BodiesUpToTheLimitAndTextRepliesOfPost) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'x'),
                  /*close=*/false);
  server.addReply("HTTP/1.0 200 OK\r\n\r\n" + std::string(1001, 'y'), /*close=*/false);
  http::HttpClient client;
  client.setReplyBodyLimit(1000);
  EXPECT_EQ(fetch(server, client).size(), 1000U);
  http::MemoryStream source;
  source.write(std::string_view("image"));
  EXPECT_THROW(client.post(server.url("/"), source), http::ReplyLimitError);
  EXPECT_FALSE(client.connected());
}

}  // namespace
