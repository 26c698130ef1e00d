#include "http/uri.h"

#include <gtest/gtest.h>

namespace http {
namespace {

TEST(UriParse, SplitsAbsoluteUrl) {
  const Uri uri(u"http://10.0.0.5:8080/a/b/doc.json?x=1#top");
  EXPECT_EQ(uri.protocol(), u"http");
  EXPECT_EQ(uri.host(), u"10.0.0.5");
  EXPECT_EQ(uri.port(), u"8080");
  EXPECT_EQ(uri.path(), u"/a/b/");
  EXPECT_EQ(uri.document(), u"doc.json");
  EXPECT_EQ(uri.params(), u"x=1");
  EXPECT_EQ(uri.bookmark(), u"top");
  EXPECT_EQ(uri.ipVersion(), IpVersion::V4);
}

}  // namespace
}  // namespace http
