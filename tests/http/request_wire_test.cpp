// The exact bytes the client puts on the wire.
#include <gtest/gtest.h>

#include <random>

#include "http/http_client.h"
#include "http/http_errors.h"
#include "http/transport/tcp_io_handler.h"
#include "scripted_server.h"

namespace {

using http_test::ScriptedServer;

constexpr char kAccept[] =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n";
constexpr char kUserAgent[] = "User-Agent: Mozilla/3.0 (compatible; ZEDEZ Updater)\r\n";
// A loopback stand-in for the device address; ports 80 and 8080 as the device uses them.
constexpr char kDevice[] = "127.77.82.80";
constexpr char kToken[] = "A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1";

std::u16string widen(const std::string& text) { return {text.begin(), text.end()}; }

std::string okReply(const std::string& body, const std::string& extra = {}) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n" + extra +
         "\r\n" + body;
}

void configureLikeTheApp(http::HttpClient& client, int connectMs, int readMs) {
  client.setConnectTimeout(connectMs);
  client.setReadTimeout(readMs);
  client.request().customHeaders.clear();
}

std::vector<std::uint8_t> firmwareLikeBody(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::mt19937 random(886008);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  bytes[0] = 'M';
  bytes[1] = 'Z';
  return bytes;
}

TEST(RequestWire, StateDocumentGetIsByteExact) {
  ScriptedServer device(kDevice, 80);
  device.addReply(okReply("{\"globals\":{}}"));
  http::HttpClient client;
  configureLikeTheApp(client, 3000, 10000);
  http::MemoryStream body;
  client.get(widen(std::string("http://") + kDevice + "/api/state"), body);

  ASSERT_EQ(device.requests().size(), 1U);
  EXPECT_EQ(device.requests()[0].bytes, std::string("GET /api/state HTTP/1.1\r\n") + "Host: " +
                                            kDevice + "\r\n" + kAccept + kUserAgent + "\r\n");
  EXPECT_EQ(body.view(), "{\"globals\":{}}");
}

TEST(RequestWire, FirmwarePostIsByteExactAndRestoresTheVersion) {
  ScriptedServer device(kDevice, 8080);
  device.addReply("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\nOK");
  const std::vector<std::uint8_t> image = firmwareLikeBody(886008);
  http::MemoryStream source(image);
  source.setPosition(source.size());  // the whole stream goes out wherever its position is
  http::HttpClient client;
  configureLikeTheApp(client, 60000, 300000);
  client.setProtocolVersion(http::HttpVersion::v1_1);

  const std::u16string answer = client.post(
      widen(std::string("http://") + kDevice + ":8080/firmware?token=" + kToken), source);

  EXPECT_EQ(answer, u"OK");
  EXPECT_EQ(client.protocolVersion(), http::HttpVersion::v1_1);
  ASSERT_EQ(device.requests().size(), 1U);
  const std::string expectedHead = std::string("POST /firmware?token=") + kToken + " HTTP/1.0\r\n" +
                                   "Connection: keep-alive\r\n" + "Content-Length: 886008\r\n" +
                                   "Host: " + kDevice + ":8080\r\n" + kAccept + kUserAgent + "\r\n";
  const std::string wire = device.requests()[0].bytes;
  ASSERT_EQ(wire.size(), expectedHead.size() + image.size());
  EXPECT_EQ(wire.substr(0, expectedHead.size()), expectedHead);
  EXPECT_TRUE(std::equal(image.begin(), image.end(),
                         reinterpret_cast<const std::uint8_t*>(wire.data()) + expectedHead.size()));
}

TEST(RequestWire, PostAfterGetOpensANewConnectionAndSendsTheCookie) {
  ScriptedServer device(kDevice, 80);
  device.addReply(okReply("{\"a\":1}", "Set-Cookie: sid=42\r\n"), /*close=*/false);
  device.addReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
  http::HttpClient client;
  configureLikeTheApp(client, 15000, -1);
  const std::u16string url = widen(std::string("http://") + kDevice + "/api/settings");
  http::MemoryStream settings;
  client.get(url, settings);
  EXPECT_TRUE(client.connected());

  http::MemoryStream json(std::vector<std::uint8_t>{'{', '}'});
  client.post(url, json);

  const auto requests = device.requests();
  ASSERT_EQ(requests.size(), 2U);
  EXPECT_EQ(requests[0].connection, 1);
  EXPECT_EQ(requests[1].connection, 2);
  EXPECT_EQ(requests[1].bytes, std::string("POST /api/settings HTTP/1.0\r\n") +
                                   "Connection: keep-alive\r\n" + "Content-Length: 2\r\n" +
                                   "Host: " + kDevice + "\r\n" + kAccept + kUserAgent +
                                   "Cookie: sid=42\r\n\r\n{}");
  EXPECT_EQ(client.protocolVersion(), http::HttpVersion::v1_1);
}

TEST(RequestWire, SendProgressCountsTheBodyAloneUpToItsSize) {
  ScriptedServer server;
  server.addReply(okReply("a"), false);
  server.addReply(okReply("b"));
  http::HttpClient client;
  configureLikeTheApp(client, 3000, 10000);
  std::vector<std::pair<std::int64_t, std::int64_t>> calls;
  client.setSendProgress(
      [&calls](std::int64_t sent, std::int64_t total) { calls.emplace_back(sent, total); });

  http::MemoryStream reply;
  client.get(server.url("/nothing-to-send"), reply);
  EXPECT_TRUE(calls.empty());

  http::MemoryStream source(firmwareLikeBody(100000));
  client.post(server.url("/firmware"), source);
  ASSERT_EQ(calls.size(), 4U);  // pieces of 32768 bytes
  for (std::size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].second, 100000);
    EXPECT_EQ(calls[i].first,
              std::min<std::int64_t>(static_cast<std::int64_t>(i + 1) * 32768, 100000));
  }
  ASSERT_EQ(server.requests().size(), 2U);
  EXPECT_TRUE(server.requests()[1].bytes.ends_with(std::string(source.view())));
}

TEST(RequestWire, HostLineNamesThePortOnlyWhenItIsNotTheDefault) {
  ScriptedServer device(kDevice, 80);
  device.addReply(okReply(""));
  ScriptedServer other("127.0.0.1", 0);
  other.addReply(okReply(""));
  http::HttpClient client;
  http::MemoryStream body;
  client.get(widen(std::string("http://") + kDevice + ":80/x"), body);
  client.get(other.url("/y"), body);

  EXPECT_NE(device.requests().at(0).bytes.find(std::string("\r\nHost: ") + kDevice + "\r\n"),
            std::string::npos);
  EXPECT_NE(other.requests().at(0).bytes.find(
                "\r\nHost: 127.0.0.1:" + std::to_string(other.port()) + "\r\n"),
            std::string::npos);
}

TEST(RequestWire, TargetIsSentAsWrittenWithSevenBitText) {
  ScriptedServer server;
  server.addReply(okReply(""));
  http::HttpClient client;
  http::MemoryStream body;
  client.get(server.url("/a b/doc?q=x y&z=") + u"\u00e9#frag", body);
  EXPECT_EQ(server.requests().at(0).bytes.substr(0, 27), "GET /a b/doc?q=x y&z=? HTTP");
}

TEST(RequestWire, PostBodiesAlwaysCarryALength) {
  ScriptedServer server;
  for (int i = 0; i < 3; ++i) {
    server.addReply("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 0\r\n\r\n");
  }
  http::HttpClient client;
  http::MemoryStream empty;
  http::MemoryStream reply;
  client.post(server.url("/empty"), empty);
  client.doRequest(u"POST", server.url("/none"), nullptr, &reply);
  client.get(server.url("/get"), reply);

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3U);
  EXPECT_NE(requests[0].bytes.find("\r\nContent-Length: 0\r\n"), std::string::npos);
  EXPECT_TRUE(requests[0].bytes.ends_with("\r\n\r\n"));
  EXPECT_NE(requests[1].bytes.find("\r\nContent-Length: 0\r\n"), std::string::npos);
  EXPECT_EQ(requests[2].bytes.find("Content-Length"), std::string::npos);
}

TEST(RequestWire, CustomHeadersStandBeforeTheRequestLinesAndReplaceThemInPlace) {
  ScriptedServer server;
  server.addReply(okReply(""));
  http::HttpClient client;
  client.request().customHeaders.add(u"X-Trace", u"7");
  client.request().customHeaders.add(u"user-agent", u"Probe");
  http::MemoryStream body;
  client.get(server.url("/h"), body);
  const std::string wire = server.requests().at(0).bytes;
  const std::string expectedHeaders =
      "X-Trace: 7\r\nUser-Agent: Mozilla/3.0 (compatible; ZEDEZ "
      "Updater)\r\nHost: 127.0.0.1:" +
      std::to_string(server.port()) + "\r\n" + kAccept + "\r\n";
  EXPECT_EQ(wire.substr(wire.find("\r\n") + 2), expectedHeaders);
}

TEST(RequestWire, RequestsThatCannotBeSentRaiseTheirErrors) {
  http::HttpClient client;
  http::MemoryStream body;
  try {
    client.get(u"gopher://127.0.0.1/x", body);
    FAIL() << "no error";
  } catch (const http::UnknownProtocolError& error) {
    EXPECT_EQ(error.message(), u"Unknown Protocol");
  }
  http::TcpIoHandler plain;
  client.setIoHandler(&plain);
  try {
    client.get(u"https://127.0.0.1:1/secure", body);
    FAIL() << "no error";
  } catch (const http::InvalidIoHandlerError& error) {
    EXPECT_EQ(error.message(), u"IOHandler value is not valid");
  }
  client.setProtocolVersion(http::HttpVersion::v1_0);
  try {
    client.doRequest(u"PUT", u"http://127.0.0.1:1/x", nullptr, &body);
    FAIL() << "no error";
  } catch (const http::NetError& error) {
    EXPECT_EQ(error.message(), u"Request method requires HTTP version 1.1");
  }
}

TEST(RequestRecord, ClearRestoresTheDefaultsConnectionIncluded) {
  http::HttpRequest request;
  request.accept = u"*/*";
  request.range = u"bytes=0-1";
  request.contentType = u"text/plain";
  request.connection = u"keep-alive";  // as a POST leaves it
  request.proxyConnection = u"keep-alive";
  request.pragma = u"no-cache";
  request.customHeaders.add(u"X-Trace", u"7");
  request.clear();
  EXPECT_EQ(request.accept, http::kDefaultAccept);
  EXPECT_TRUE(request.range.empty());
  EXPECT_TRUE(request.contentType.empty());
  EXPECT_TRUE(request.connection.empty());
  EXPECT_EQ(request.proxyConnection, u"keep-alive");
  EXPECT_EQ(request.pragma, u"no-cache");
  EXPECT_EQ(request.customHeaders.count(), 1U);
}

}  // namespace
