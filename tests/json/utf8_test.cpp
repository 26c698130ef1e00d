#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace json {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  const std::u16string text = u"a\u00e9\u20ac\U0001F600\uFFFF\u0000z";
  EXPECT_EQ(utf16ToUtf8(text), "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xef\xbf\xbf");
  const std::u16string withNul(u"x\0y", 3);
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(withNul)), withNul);
  const std::u16string mixed = u"\u0416\U00010348 \U0010FFFF";
  EXPECT_EQ(utf8ToUtf16(utf16ToUtf8(mixed)), mixed);
}

TEST(Utf8, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(utf8ToUtf16("a\x80z"), u"a\uFFFDz");
  EXPECT_EQ(utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");    // never a lead byte
  EXPECT_EQ(utf8ToUtf16("\xed\xa0\x80"), u"\uFFFD");      // encoded surrogate
  EXPECT_EQ(utf8ToUtf16("\xf4\x90\x80\x80"), u"\uFFFD");  // beyond U+10FFFF
  EXPECT_EQ(utf8ToUtf16("\xe2\x82"), u"\uFFFD");          // cut short
  EXPECT_EQ(utf8ToUtf16("\xe2\x82z"), u"\uFFFDz");
  EXPECT_EQ(utf16ToUtf8(u"\xD800x\xDC00"), "\xef\xbf\xbdx\xef\xbf\xbd");
}

}  // namespace
}  // namespace json
