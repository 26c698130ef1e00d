#include "http/header_list.h"

#include <gtest/gtest.h>

#include "http/entity_headers.h"
#include "http/http_response.h"

namespace {

TEST(HeaderList, LookupJoinsContinuationLinesAndIgnoresCase) {
  http::HeaderList list;
  list.addLine(u"X-Long:   first");
  list.addLine(u"\tsecond ");
  list.addLine(u"  third");
  list.addLine(u"x-long: other");
  EXPECT_EQ(list.value(u"x-LONG"), u"first second third");
  EXPECT_EQ(list.values(u"X-Long").size(), 2U);
  EXPECT_EQ(list.value(u"Absent"), u"");

  list.setValue(u"X-LONG", u"new");
  EXPECT_EQ(list.count(), 2U);
  EXPECT_EQ(list.line(0), u"X-LONG: new");
  list.setValue(u"x-long", u"");
  EXPECT_EQ(list.value(u"X-Long"), u"other");
  EXPECT_EQ(list.extract(u"X-Long"), std::vector<std::u16string>{u"other"});
  EXPECT_TRUE(list.empty());

  // A name is the text before the first ":", trimmed; a line without ":" has none.
  list.addLine(u"\x01Spaced \t: yes");
  list.addLine(u"Two words: no");
  list.addLine(u"NoColon");
  list.addLine(u"a:b: c");
  EXPECT_EQ(list.value(u"spaced"), u"yes");
  EXPECT_EQ(list.value(u"Two"), u"");
  EXPECT_EQ(list.value(u"NoColon"), u"");
  EXPECT_EQ(list.value(u"a:b"), u"");
  EXPECT_EQ(list.value(u"spaced "), u"");
  EXPECT_EQ(list.value(u"A"), u"b: c");
}

TEST(HeaderList, ContentTypeRules) {
  http::EntityHeaders headers;
  headers.setContentTypeHeader(u"text/html; charset=\"windows-1250\"; level=1");
  EXPECT_EQ(headers.contentType, u"text/html; level=1");
  EXPECT_EQ(headers.charSet, u"windows-1250");
  headers.setContentTypeHeader(u"text/xml");
  EXPECT_EQ(headers.charSet, u"us-ascii");
  headers.setContentTypeHeader(u"text/svg+xml");
  EXPECT_EQ(headers.charSet, u"us-ascii");
  headers.setContentTypeHeader(u"TEXT/Plain");
  EXPECT_EQ(headers.charSet, u"ISO-8859-1");
  headers.setContentTypeHeader(u"application/json");
  EXPECT_EQ(headers.charSet, u"");
  headers.setContentTypeHeader(u"");
  EXPECT_EQ(headers.contentType, u"");
}

TEST(HeaderList, StatusCodeAndVersion) {
  EXPECT_EQ(http::parseStatusCode(u"HTTP/1.1 200 OK"), 200);
  EXPECT_EQ(http::parseStatusCode(u"HTTP/1.1 200.5 OK"), 200);
  EXPECT_EQ(http::parseStatusCode(u"HTTP/1.1  404"), 404);
  EXPECT_EQ(http::parseStatusCode(u"HTTP/1.1 abc"), -1);
  EXPECT_EQ(http::parseStatusCode(u"garbage"), -1);
  EXPECT_EQ(http::parseStatusCode(u"HTTP/1.1 99999999999 Big"), -1);
  http::HttpResponse response;
  response.setResponseText(u"HTTP/1.1 204 No Content");
  EXPECT_EQ(response.responseVersion(), http::HttpVersion::v1_1);
  response.setResponseText(u"HTTP/1.0 204 No Content");
  EXPECT_EQ(response.responseVersion(), http::HttpVersion::v1_0);
}

}  // namespace
