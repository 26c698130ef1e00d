// What a status means: errors, interim replies, redirects, challenges, keep-alive.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "http/http_errors.h"
#include "scripted_server.h"

namespace {

using http_test::ScriptedServer;

std::string redirectTo(const std::string& location, int code = 302) {
  return "HTTP/1.1 " + std::to_string(code) + " Moved\r\nLocation: " + location +
         "\r\nContent-Length: 5\r\n\r\nmoved";
}

TEST(ReplyStatus, NotFoundRaisesTheProtocolErrorWithTheDecodedPage) {
  ScriptedServer server;
  server.addReply(
      "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: 44\r\n\r\n"
      "<html><body>No such document \xe9</body></html>");
  http::HttpClient client;
  http::MemoryStream body;
  try {
    client.get(server.url("/missing"), body);
    FAIL() << "no error";
  } catch (const http::HttpProtocolError& error) {
    EXPECT_EQ(error.errorCode(), 404);
    EXPECT_EQ(error.message(), u"HTTP/1.1 404 Not Found");
    EXPECT_EQ(error.errorMessage(), u"<html><body>No such document \u00e9</body></html>");
    EXPECT_STREQ(error.className(), "HttpProtocolError");
  }
  EXPECT_EQ(body.size(), 0);
}

TEST(ReplyStatus, InterimContinueIsSkipped) {
  ScriptedServer server;
  server.addReply(
      "HTTP/1.1 100 Continue\r\n\r\n"
      "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone");
  http::HttpClient client;
  http::MemoryStream body;
  client.get(server.url("/"), body);
  EXPECT_EQ(client.response().responseCode(), 200);
  EXPECT_EQ(body.view(), "done");
}

TEST(ReplyStatus, RedirectWithoutHandleRedirectsIsAnError) {
  ScriptedServer server;
  server.addReply(redirectTo("/elsewhere"));
  http::HttpClient client;
  http::MemoryStream body;
  try {
    client.get(server.url("/"), body);
    FAIL() << "no error";
  } catch (const http::HttpProtocolError& error) {
    EXPECT_EQ(error.errorCode(), 302);
    EXPECT_EQ(error.errorMessage(), u"moved");
  }
  EXPECT_EQ(body.size(), 0);
}

TEST(ReplyStatus, RedirectIsFollowedAndItsBodyDropped) {
  ScriptedServer server;
  server.addReply(redirectTo("../b/c?x=1"), /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\ntarget");
  http::HttpClient client;
  client.setHandleRedirects(true);
  http::MemoryStream body;
  body.write(std::string_view("prefix:"));
  client.get(server.url("/x/y/start"), body);
  EXPECT_EQ(body.view(), "prefix:target");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_TRUE(requests[1].bytes.starts_with("GET /x/b/c?x=1 HTTP/1.1\r\n"));
  EXPECT_EQ(server.connections(), 1);
}

TEST(ReplyStatus, FifteenthRedirectEndsTheOperationWithoutError) {
  ScriptedServer server;
  for (int i = 0; i < 20; ++i) server.addReply(redirectTo("/loop"), /*close=*/false);
  http::HttpClient client;
  client.setHandleRedirects(true);
  http::MemoryStream body;
  client.get(server.url("/loop"), body);
  EXPECT_EQ(client.redirectCount(), 15);
  EXPECT_EQ(server.requests().size(), 15U);
  EXPECT_EQ(client.response().location, u"/loop");
  EXPECT_EQ(body.size(), 0);
}

TEST(ReplyStatus, SeeOtherAfterPostFollowsWithGetAndNoBody) {
  ScriptedServer server;
  server.addReply(redirectTo("/result", 303));
  server.addReply("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nstored");
  http::HttpClient client;
  client.setHandleRedirects(true);
  http::MemoryStream source(std::vector<std::uint8_t>{'d', 'a', 't', 'a'});
  EXPECT_EQ(client.post(server.url("/upload"), source), u"stored");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_TRUE(requests[0].bytes.ends_with("\r\n\r\ndata"));
  EXPECT_TRUE(requests[1].bytes.starts_with("GET /result HTTP/1.0\r\n"));
  EXPECT_EQ(requests[1].bytes.find("Content-Length"), std::string::npos);
  EXPECT_TRUE(requests[1].bytes.ends_with("\r\n\r\n"));
}

TEST(ReplyStatus, ChallengesWithoutCredentialsAreErrors) {
  ScriptedServer server;
  server.addReply(
      "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"device\"\r\n"
      "Content-Length: 6\r\n\r\ndenied");
  http::HttpClient client;
  http::MemoryStream body;
  try {
    client.get(server.url("/"), body);
    FAIL() << "no error";
  } catch (const http::HttpProtocolError& error) {
    EXPECT_EQ(error.errorCode(), 401);
    EXPECT_EQ(error.errorMessage(), u"denied");
  }
}

TEST(ReplyStatus, PostReplyWithoutKeepAliveClosesTheConnection) {
  ScriptedServer server;
  server.addReply("HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok", /*close=*/false);
  server.addReply("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nok",
                  /*close=*/false);
  http::HttpClient client;
  http::MemoryStream source;
  client.post(server.url("/a"), source);
  EXPECT_FALSE(client.connected());

  ScriptedServer kept;
  kept.addReply("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 2\r\n\r\nok",
                /*close=*/false);
  client.post(kept.url("/b"), source);
  EXPECT_TRUE(client.connected());
}

TEST(ReplyStatus, ConnectionCloseFromTheServerEndsReuse) {
  ScriptedServer server;
  server.addReply("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 1\r\n\r\na",
                  /*close=*/false);
  server.addReply("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb");
  http::HttpClient client;
  http::MemoryStream body;
  client.get(server.url("/"), body);
  client.get(server.url("/"), body);
  EXPECT_EQ(body.view(), "ab");
  EXPECT_EQ(server.connections(), 2);
}

}  // namespace
