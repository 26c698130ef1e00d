#include "http/uri.h"

#include <gtest/gtest.h>

namespace http {
namespace {

struct Parts {
  std::u16string protocol{};
  std::u16string username{};
  std::u16string password{};
  std::u16string host{};
  std::u16string port{};
  std::u16string path{};
  std::u16string document{};
  std::u16string params{};
  std::u16string bookmark{};
  IpVersion ipVersion = IpVersion::V4;
};

void expectParts(const Uri& uri, const Parts& want) {
  EXPECT_EQ(uri.protocol(), want.protocol);
  EXPECT_EQ(uri.username(), want.username);
  EXPECT_EQ(uri.password(), want.password);
  EXPECT_EQ(uri.host(), want.host);
  EXPECT_EQ(uri.port(), want.port);
  EXPECT_EQ(uri.path(), want.path);
  EXPECT_EQ(uri.document(), want.document);
  EXPECT_EQ(uri.params(), want.params);
  EXPECT_EQ(uri.bookmark(), want.bookmark);
  EXPECT_EQ(uri.ipVersion(), want.ipVersion);
}

TEST(UriParse, AbsoluteUrlsOfTheDevice) {
  expectParts(Uri(u"http://10.0.0.5:8080/a/b/doc.json?x=1#top"), {.protocol = u"http",
                                                                  .host = u"10.0.0.5",
                                                                  .port = u"8080",
                                                                  .path = u"/a/b/",
                                                                  .document = u"doc.json",
                                                                  .params = u"x=1",
                                                                  .bookmark = u"top"});
  expectParts(
      Uri(u"http://10.77.82.80/api/state"),
      {.protocol = u"http", .host = u"10.77.82.80", .path = u"/api/", .document = u"state"});
  expectParts(Uri(u"http://10.77.82.80:8080/firmware?x=1"), {.protocol = u"http",
                                                             .host = u"10.77.82.80",
                                                             .port = u"8080",
                                                             .path = u"/",
                                                             .document = u"firmware",
                                                             .params = u"x=1"});
  expectParts(Uri(u"http://host"), {.protocol = u"http", .host = u"host", .path = u"/"});
  expectParts(Uri(u"HTTP://host/"), {.protocol = u"HTTP", .host = u"host", .path = u"/"});
}

TEST(UriParse, UserInformation) {
  expectParts(Uri(u"ftp://joe:se:cret@files/x"), {.protocol = u"ftp",
                                                  .username = u"joe",
                                                  .password = u"se:cret",
                                                  .host = u"files",
                                                  .path = u"/",
                                                  .document = u"x"});
  // Everything before the last "@" belongs to the user information.
  expectParts(
      Uri(u"http://a@b:c@host/"),
      {.protocol = u"http", .username = u"a@b", .password = u"c", .host = u"host", .path = u"/"});
  // No user name: the password goes too.
  expectParts(Uri(u"http://:pw@host/"), {.protocol = u"http", .host = u"host", .path = u"/"});
}

TEST(UriParse, Ipv6Literals) {
  expectParts(Uri(u"https://[fe80::1]:8443/x"), {.protocol = u"https",
                                                 .host = u"fe80::1",
                                                 .port = u"8443",
                                                 .path = u"/",
                                                 .document = u"x",
                                                 .ipVersion = IpVersion::V6});
  expectParts(Uri(u"http://[::1]/"),
              {.protocol = u"http", .host = u"::1", .path = u"/", .ipVersion = IpVersion::V6});
  // A "]" before the "[" is no literal: the host runs to the first colon.
  expectParts(Uri(u"http://]a[:1/"),
              {.protocol = u"http", .host = u"]a[", .port = u"1", .path = u"/"});
}

TEST(UriParse, QueryAndFragmentSplitting) {
  expectParts(Uri(u"http://h/p?a=1?b#c#d"), {.protocol = u"http",
                                             .host = u"h",
                                             .path = u"/",
                                             .document = u"p",
                                             .params = u"a=1?b",
                                             .bookmark = u"c#d"});
  expectParts(Uri(u"http://h#frag/x"),
              {.protocol = u"http", .host = u"h", .path = u"/", .bookmark = u"frag/x"});
  // A "?" inside the fragment does not start a query.
  expectParts(Uri(u"doc#a?b"), {.document = u"doc", .bookmark = u"a?b"});
  // A URL inside the query of a relative reference does not make it absolute.
  expectParts(Uri(u"/login?next=http://evil/x"),
              {.path = u"/", .document = u"login", .params = u"next=http://evil/x"});
  expectParts(Uri(u"/a://b"), {.path = u"/a://", .document = u"b"});
}

TEST(UriParse, RelativeReferences) {
  expectParts(Uri(u"../b/c"), {.path = u"../b/", .document = u"c"});
  expectParts(Uri(u"state"), {.document = u"state"});
  expectParts(Uri(u"/api/settings?x"), {.path = u"/api/", .document = u"settings", .params = u"x"});
  expectParts(Uri(u"//other/p"), {.host = u"other", .path = u"/", .document = u"p"});
  expectParts(Uri(u""), {});
}

TEST(UriParse, BackslashesBeforeQueryBecomeSlashes) {
  expectParts(Uri(u"http://h\\a\\b?q=\\x#\\f"), {.protocol = u"http",
                                                 .host = u"h",
                                                 .path = u"/a/",
                                                 .document = u"b",
                                                 .params = u"q=\\x",
                                                 .bookmark = u"\\f"});
  expectParts(Uri(u"dir\\sub\\doc"), {.path = u"dir/sub/", .document = u"doc"});
  // A colon in the query is no scheme separator: the path still turns, the query stays.
  expectParts(Uri(u"a\\b?t=12:30\\x"), {.path = u"a/", .document = u"b", .params = u"t=12:30\\x"});
  EXPECT_EQ(Uri::normalizeBackslashes(u"http:\\\\h\\p"), u"http:\\\\h/p");
  EXPECT_EQ(Uri::normalizeBackslashes(u"c:\\x"), u"c:/x");
}

TEST(UriParse, SettingTextAgainClearsEveryField) {
  Uri uri(u"https://u:p@[::1]:1/a/b?c#d");
  uri.setUri(u"x");
  expectParts(uri, {.document = u"x"});
}

TEST(UriCompose, DefaultPortsAreLeftOut) {
  EXPECT_EQ(Uri(u"http://h:80/a").getFullUri(), u"http://h/a");
  EXPECT_EQ(Uri(u"HTTPS://h:443/a").getFullUri(), u"HTTPS://h/a");
  EXPECT_EQ(Uri(u"ftp://h:21/").getFullUri(), u"ftp://h/");
  EXPECT_EQ(Uri(u"http://h:8080/a").getFullUri(), u"http://h:8080/a");
  EXPECT_EQ(Uri(u"http://h:443/").getFullUri(), u"http://h:443/");
  EXPECT_EQ(Uri(u"http://h:080/").getFullUri(), u"http://h:080/");
  EXPECT_EQ(Uri(u"gopher://h:70/").getFullUri(), u"gopher://h:70/");
}

TEST(UriCompose, OptionalFieldsAndBrackets) {
  const Uri uri(u"https://joe:pw@[fe80::1]:8443/p/d?q=1#top");
  EXPECT_EQ(uri.getFullUri(), u"https://joe:pw@[fe80::1]:8443/p/d?q=1#top");
  EXPECT_EQ(uri.getFullUri({}), u"https://[fe80::1]:8443/p/d?q=1");
  EXPECT_EQ(uri.getFullUri({UriOptionalField::Bookmark}), u"https://[fe80::1]:8443/p/d?q=1#top");
  EXPECT_EQ(Uri(u"http://joe@h/").getFullUri(), u"http://joe@h/");
  EXPECT_EQ(uri.getPathAndParams(), u"/p/d?q=1");
  EXPECT_EQ(Uri(u"http://h").getPathAndParams(), u"/");
}

TEST(UriCompose, ReadingTheUriStoresTheFullFormAndGivesTheShortOne) {
  Uri uri(u"http://joe:pw@h:80/p?q#f");
  EXPECT_EQ(uri.uri(), u"http://h/p?q");
  uri.setHost(u"other");
  EXPECT_EQ(uri.uri(), u"http://other/p?q");
}

TEST(UriCompose, MissingProtocolOrHostIsAnError) {
  try {
    (void)Uri(u"/relative").getFullUri();
    FAIL();
  } catch (const UriError& error) {
    EXPECT_EQ(error.message(), u"Protocol field is empty");
    EXPECT_STREQ(error.className(), "UriError");
  }
  try {
    (void)Uri(u"http:///path").getFullUri();
    FAIL();
  } catch (const UriError& error) {
    EXPECT_EQ(error.message(), u"Host field is empty");
  }
  Uri relative(u"x");
  EXPECT_THROW((void)relative.uri(), UriError);
}

TEST(UriResolvePath, RelativePathsAgainstABase) {
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", u"../b/"), u"/x/b/");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", u"/abs/"), u"/abs/");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", u""), u"/x/y/");
  EXPECT_EQ(Uri::resolvePath(u"/x/y", u"z"), u"/x/y/z");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", u"../../../a/"), u"/a/");
  EXPECT_EQ(Uri::resolvePath(u"/x//y/", u"z//w/"), u"/x/y/z/w/");
  EXPECT_EQ(Uri::resolvePath(u"", u"a/b/"), u"a/b/");
  EXPECT_EQ(Uri::resolvePath(u"/", u".."), u"/");
}

TEST(UriResolvePath, ParsedRedirectLocationsAgainstTheCurrentTarget) {
  const Uri location(u"../b/c");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", location.path()), u"/x/b/");
  EXPECT_EQ(location.document(), u"c");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", Uri(u"/new/doc").path()), u"/new/");
  EXPECT_EQ(Uri::resolvePath(u"/x/y/", Uri(u"sibling").path()), u"/x/y/");
}

}  // namespace
}  // namespace http
