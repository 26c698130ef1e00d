// Decoding of reply text by the charset the reply declares.
#include <gtest/gtest.h>

#include "http/http_client.h"
#include "http/http_errors.h"
#include "scripted_server.h"

namespace {

using http_test::ScriptedServer;

std::u16string postFor(const std::string& headers, const std::string& body,
                       http::HttpClient* used = nullptr) {
  ScriptedServer server;
  server.addReply("HTTP/1.0 200 OK\r\n" + headers +
                  "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
  http::HttpClient own;
  http::HttpClient& client = used != nullptr ? *used : own;
  http::MemoryStream source;
  return client.post(server.url("/"), source);
}

TEST(ReplyCharset, JsonWithoutCharsetDecodesByteForByte) {
  EXPECT_EQ(postFor("Content-Type: application/json\r\n", "\xc3\xa1"), u"\u00c3\u00a1");
}

TEST(ReplyCharset, DeclaredUtf8Decodes) {
  EXPECT_EQ(postFor("Content-Type: application/json; charset=utf-8\r\n", "\xc3\xa1"), u"\u00e1");
  EXPECT_EQ(postFor("Content-Type: application/json; charset=\"UTF-8\"\r\n", "\xc3\xa1"),
            u"\u00e1");
}

TEST(ReplyCharset, TextWithoutCharsetIsLatin1) {
  http::HttpClient client;
  EXPECT_EQ(postFor("Content-Type: text/plain\r\n", "\xe1", &client), u"\u00e1");
  EXPECT_EQ(client.response().charSet, u"ISO-8859-1");
  EXPECT_EQ(client.response().contentType, u"text/plain");
}

TEST(ReplyCharset, HtmlMetaCharsetWinsOverTheHeaderDefault) {
  http::HttpClient client;
  const std::string page =
      "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
      "charset=windows-1250\"></head><body>\x9a</body></html>";
  EXPECT_EQ(postFor("Content-Type: text/html\r\n", page, &client),
            u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
            u"charset=windows-1250\"></head><body>\u0161</body></html>");
  EXPECT_EQ(client.response().charSet, u"windows-1250");
  EXPECT_EQ(client.response().metaHttpEquiv.rawHeaders.count(), 1U);
}

TEST(ReplyCharset, XmlDeclarationNamesTheCharset) {
  http::HttpClient client;
  const std::string soap = "<?xml version='1.0' encoding='ISO-8859-2'?><r>\xb9</r>";
  EXPECT_EQ(postFor("Content-Type: application/soap+xml\r\n", soap, &client),
            u"<?xml version='1.0' encoding='ISO-8859-2'?><r>\u0161</r>");
  EXPECT_EQ(client.response().charSet, u"ISO-8859-2");
}

TEST(ReplyCharset, ErrorBodiesUseTheDeclaredCharset) {
  ScriptedServer server;
  server.addReply(
      "HTTP/1.1 500 Internal Server Error\r\nContent-Type: application/json; charset=utf-8\r\n"
      "Content-Length: 2\r\n\r\n\xc5\xa1");
  http::HttpClient client;
  http::MemoryStream body;
  try {
    client.get(server.url("/"), body);
    FAIL() << "no error";
  } catch (const http::HttpProtocolError& error) {
    EXPECT_EQ(error.errorCode(), 500);
    EXPECT_EQ(error.errorMessage(), u"\u0161");
  }
}

}  // namespace
