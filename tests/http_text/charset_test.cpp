#include <gtest/gtest.h>

#include "http/charset/charset_encoding.h"
#include "http/charset/charset_html_meta.h"
#include "http/charset/charset_xml.h"
#include "http/stream.h"

namespace http {
namespace {

using namespace std::string_view_literals;

TEST(CharsetDecoding, EmptyOrUnknownNameDecodesByteForByte) {
  EXPECT_EQ(decodeCharset("\xC3\xA1", u""), u"\u00C3\u00A1");
  EXPECT_EQ(decodeCharset("\xC3\xA1\x80\xFF", u"no-such-charset"), u"\u00C3\u00A1\u0080\u00FF");
  // Names ICU would read specially (empty after a NUL, default converter) stay 8-bit too.
  EXPECT_EQ(decodeCharset("\xC3\xA1", std::u16string_view(u"\0utf-8", 6)), u"\u00C3\u00A1");
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"utf-8 "), u"\u00C3\u00A1");
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"utf-8,swaplfnl"), u"\u00C3\u00A1");
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"/usr/share/x/utf-8"), u"\u00C3\u00A1");
  EXPECT_FALSE(isKnownCharset(u""));
  EXPECT_FALSE(isKnownCharset(u"x-unknown"));
}

TEST(CharsetDecoding, KnownNamesAndAliases) {
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"utf-8"), u"\u00E1");
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"UTF8"), u"\u00E1");
  EXPECT_EQ(decodeCharset("\x9A\xE1\x80", u"windows-1250"), u"\u0161\u00E1\u20AC");
  EXPECT_EQ(decodeCharset("\xB1", u"ISO-8859-2"), u"\u0105");
  EXPECT_EQ(decodeCharset("\xB9", u"latin2"), u"\u0161");
  EXPECT_EQ(decodeCharset("\xE9", u"ISO-8859-1"), u"\u00E9");
  EXPECT_EQ(decodeCharset("\x00\x41\x01\x61"sv, u"UTF-16BE"), u"A\u0161");
  EXPECT_EQ(decodeCharset("\x00\x00\x00\x41"sv, u"UCS-4BE"), u"A");
  EXPECT_EQ(decodeCharset("\x41\x00\x00\x00"sv, u"ucs-4le"), u"A");
  // Bytes ASCII does not define are replaced, not dropped.
  EXPECT_EQ(decodeCharset("a\xE9", u"us-ascii"), u"a\uFFFD");
  EXPECT_EQ(decodeCharset("a\xFF", u"utf-8"), u"a\uFFFD");
}

TEST(CharsetDecoding, RegisteredAliasesIcuDoesNotKnow) {
  EXPECT_EQ(decodeCharset("\x8A\x9A\xE1", u"cswindows1250"), u"\u0160\u0161\u00E1");
  EXPECT_EQ(decodeCharset("\x8A\x9A\xE1", u"CSWINDOWS1250"), u"\u0160\u0161\u00E1");
  EXPECT_EQ(decodeCharset("\xC3\xA1", u"csUTF8"), u"\u00E1");
  EXPECT_EQ(decodeCharset("\x01\x61\x00\x41"sv, u"csUTF16BE"), u"\u0161A");
  EXPECT_EQ(decodeCharset("\x41\x00\x00\x00"sv, u"csutf32le"), u"A");
  EXPECT_EQ(decodeCharset("+AOE-", u"csUTF7"), u"\u00E1");
  EXPECT_EQ(decodeCharset("\xA1", u"cswindows874"), u"\u0E01");
  EXPECT_EQ(decodeCharset("\xA4", u"csKOI8U"), u"\u0454");
  EXPECT_EQ(decodeCharset("\xA4", u"csISO885915"), u"\u20AC");
  EXPECT_EQ(decodeCharset("\xD5", u"csIBM00858"), u"\u20AC");
  EXPECT_EQ(decodeCharset("\x81\x40", u"csGBK"), u"\u4E02");
  EXPECT_EQ(decodeCharset("\xA1", u"csTIS620"), u"\u0E01");
  // ISO-8859-16 is missing from ICU's data under every name; its own table serves.
  for (const std::u16string_view name :
       {u"ISO-8859-16", u"csISO885916", u"latin10", u"iso-ir-226", u"L10"}) {
    EXPECT_TRUE(isKnownCharset(name)) << std::string(name.begin(), name.end());
    EXPECT_EQ(decodeCharset("A\xAA\xBA\xDE\xFE\xA4", name), u"A\u0218\u0219\u021A\u021B\u20AC");
    EXPECT_EQ(encodeCharset(u"A\u0218\u20AC\u00E9\u0416", name), "A\xAA\xA4\xE9?");
  }
  EXPECT_FALSE(isKnownCharset(u"csUTF9"));
}

TEST(CharsetDecoding, LongInputGrowsTheOutput) {
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += "\xE2\x82\xAC";  // three bytes, one character
  bytes += "\xF0\x9F\x98\x80";                               // four bytes, two characters
  const std::u16string text = decodeCharset(bytes, u"utf-8");
  ASSERT_EQ(text.size(), 100002U);
  EXPECT_EQ(text.substr(99999), u"\u20AC\U0001F600");
}

TEST(CharsetDecoding, StreamDecodesFromItsPositionToItsEnd) {
  MemoryStream stream;
  stream.write("skip\xC3\xA1"sv);
  stream.setPosition(4);
  EXPECT_EQ(decodeCharset(stream, u"utf-8"), u"\u00E1");
  EXPECT_EQ(stream.position(), stream.size());
  EXPECT_EQ(decodeCharset(stream, u"utf-8"), u"");
}

TEST(CharsetEncoding, NamedCharsetsAndThe8BitFallback) {
  EXPECT_EQ(encodeCharset(u"\u0161\u00E1\u20AC", u"windows-1250"), "\x9A\xE1\x80");
  EXPECT_EQ(encodeCharset(u"\u00E1", u"utf-8"), "\xC3\xA1");
  // What the charset cannot carry becomes "?".
  EXPECT_EQ(encodeCharset(u"a\u4E2D", u"windows-1250"), "a?");
  EXPECT_EQ(encodeCharset(u"a\u00E9\u4E2D", u""), "a\xE9?");
  EXPECT_EQ(encodeCharset(u"A", u"UTF-16LE"), "A\0"sv);
}

TEST(CharsetEncoding, DefaultAnsiCodePageIsWindows1250AndRoundTripsEveryByte) {
  const CharsetEncoding& ansi = *defaultAnsiEncoding();
  EXPECT_EQ(ansi.charset(), u"windows-1250");
  EXPECT_EQ(ansi.decode("Rar!\x8A"), u"Rar!\u0160");
  std::string every;
  for (int b = 0; b < 256; ++b) every.push_back(static_cast<char>(b));
  EXPECT_EQ(ansi.encode(ansi.decode(every)), every);
}

TEST(CharsetEncoding, ServesAsATextEncodingOfTheTransport) {
  const std::shared_ptr<const TextEncoding> encoding = charsetEncoding(u"utf-8");
  EXPECT_EQ(encoding->decode("\xC3\xA1"), u"\u00E1");
  EXPECT_EQ(encoding->encode(u"\u00E1"), "\xC3\xA1");
  EXPECT_EQ(charsetEncoding(u"")->decode("\xC3"), u"\u00C3");
}

TEST(XmlCharset, ByteOrderMarks) {
  EXPECT_EQ(detectXmlCharset("\xEF\xBB\xBF<a/>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("\xFE\xFF\x00<"sv), u"UTF-16BE");
  EXPECT_EQ(detectXmlCharset("\xFF\xFE<\x00"sv), u"UTF-16LE");
  EXPECT_EQ(detectXmlCharset("\x00\x00\xFE\xFF"sv), u"UCS-4BE");
  EXPECT_EQ(detectXmlCharset("\xFF\xFE\x00\x00"sv), u"UCS-4LE");
  EXPECT_EQ(detectXmlCharset("\x00\x00\xFF\xFE"sv), u"");
  EXPECT_EQ(detectXmlCharset("\xFE\xFF\x00\x00"sv), u"");
  // Three bytes are enough for the two- and three-byte marks only.
  EXPECT_EQ(detectXmlCharset("\xFF\xFE\x00"sv), u"UTF-16LE");
}

TEST(XmlCharset, DeclarationInEachWidth) {
  EXPECT_EQ(detectXmlCharset("<?xml version='1.0' encoding='ISO-8859-2'?><a/>"), u"ISO-8859-2");
  EXPECT_EQ(detectXmlCharset("<?xml version=\"1.0\" encoding = \t\" windows-1250 \"?>"),
            u"windows-1250");
  std::string utf16le;
  for (const char c : "<?xml encoding=\"UTF-16\"?>"sv) utf16le += {c, '\0'};
  EXPECT_EQ(detectXmlCharset(utf16le), u"UTF-16");
  std::string utf16be;
  for (const char c : "<?xml encoding='x'?>"sv) utf16be += {'\0', c};
  EXPECT_EQ(detectXmlCharset(utf16be), u"x");
  std::string ucs4;
  for (const char c : "<?xml encoding='y'?>"sv) ucs4 += {'\0', '\0', '\0', c};
  EXPECT_EQ(detectXmlCharset(ucs4), u"y");
  std::string ucs4order2143;
  for (const char c : "<?xml encoding='z'?>"sv) ucs4order2143 += {'\0', '\0', c, '\0'};
  EXPECT_EQ(detectXmlCharset(ucs4order2143), u"z");
  // "<?xml encoding='IBM037'?>" in EBCDIC.
  EXPECT_EQ(detectXmlCharset("\x4C\x6F\xA7\x94\x93\x40\x85\x95\x83\x96\x84\x89\x95\x87\x7E\x7D"
                             "\xC9\xC2\xD4\xF0\xF3\xF7\x7D\x6F\x6E"),
            u"IBM037");
}

TEST(XmlCharset, WithoutAUsableEncodingTheAnswerIsUtf8) {
  EXPECT_EQ(detectXmlCharset("<?xml version=\"1.0\"?><a encoding='x'/>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<?xml version=\"1.0\"?>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<?xml encoding=\"\"?>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<?xml encoding=latin2?>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<?xml encoding='unterminated"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<a encoding='x'/>"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset("<?"), u"UTF-8");
  EXPECT_EQ(detectXmlCharset(""), u"UTF-8");
}

TEST(XmlCharset, StreamIsReadFromItsStartAndKeepsItsPosition) {
  MemoryStream stream;
  stream.write("<?xml encoding='koi8-r'?>"sv);
  stream.setPosition(5);
  EXPECT_EQ(detectXmlCharset(stream), u"koi8-r");
  EXPECT_EQ(stream.position(), 5);
}

TEST(HtmlMeta, HttpEquivAndCharsetInTheHead) {
  const HtmlMetaDeclarations found = scanHtmlMeta(
      "<!DOCTYPE html><HTML><Head>"
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=windows-1250\">"
      "<meta http-equiv='Set-Cookie' content='a=1'/>"
      "</head><body></body></html>");
  EXPECT_EQ(found.headerLines,
            (std::vector<std::u16string>{u"Content-Type: text/html; charset=windows-1250",
                                         u"Set-Cookie: a=1"}));
  EXPECT_EQ(found.charset, u"");

  const HtmlMetaDeclarations both = scanHtmlMeta(
      "<html><head><meta http-equiv=Content-Type content=\"text/html; charset=iso-8859-2\">"
      "<meta charset=utf-8></head></html>");
  EXPECT_EQ(both.headerLines.size(), 1U);
  EXPECT_EQ(both.charset, u"utf-8");
}

TEST(HtmlMeta, AttributeValueForms) {
  // Bare values end at white space, "/" or ">".
  EXPECT_EQ(scanHtmlMeta("<html><head><meta charset=utf-8/>").charset, u"utf-8");
  EXPECT_EQ(scanHtmlMeta("<html><head><meta charset = 'a b'>").charset, u"a b");
  EXPECT_EQ(scanHtmlMeta("<html><head><meta content=\"x>y\" http-equiv=Refresh>").headerLines,
            (std::vector<std::u16string>{u"Refresh: x>y"}));
  // Only a tag with both attributes yields a line.
  EXPECT_TRUE(
      scanHtmlMeta("<html><head><meta http-equiv=Refresh><meta content=5>").headerLines.empty());
  // Bytes above 127 come through as the characters of the same number.
  EXPECT_EQ(scanHtmlMeta("<html><head><meta charset='\xE1'>").charset, u"\u00E1");
}

TEST(HtmlMeta, WhatIsSkipped) {
  const HtmlMetaDeclarations found = scanHtmlMeta(
      "<html><head><!-- <meta charset=comment> -->"
      "<title><meta charset=title></title>"
      "<script>document.write('<meta charset=script>')</script>"
      "<link rel=stylesheet href='<meta charset=link>'>"
      "<?php <meta charset=php> ?><meta charset=real></head>");
  EXPECT_EQ(found.charset, u"real");
  EXPECT_TRUE(found.headerLines.empty());
}

TEST(HtmlMeta, SectionsDecideWhatCounts) {
  // Nothing counts before the HTML tag.
  EXPECT_EQ(scanHtmlMeta("<head><meta charset=a></head>").charset, u"");
  // Tags between HTML and HEAD are passed over.
  EXPECT_EQ(scanHtmlMeta("<html><meta charset=a><head><meta charset=b>").charset, u"b");
  // After HEAD, a BODY tag does not end the head section.
  EXPECT_EQ(scanHtmlMeta("<html><head></head><body><meta charset=late></body>").charset, u"late");
  // A BODY before any HEAD ends the scan.
  EXPECT_EQ(scanHtmlMeta("<html><body><head><meta charset=a>").charset, u"");
  // A TITLE before HEAD yields nothing at all.
  EXPECT_EQ(scanHtmlMeta("<html><title>t</title><head><meta charset=a>").charset, u"");
  // An unterminated comment or title ends the scan.
  EXPECT_EQ(scanHtmlMeta("<html><head><meta charset=a><!-- <meta charset=b>").charset, u"a");
  EXPECT_EQ(scanHtmlMeta("<html><head><meta charset=a><title><meta charset=b>").charset, u"a");
}

TEST(HtmlMeta, StreamIsScannedFromItsFirstByte) {
  MemoryStream stream;
  stream.write("<html><head><meta charset=x>"sv);
  EXPECT_EQ(scanHtmlMeta(stream).charset, u"x");
  EXPECT_EQ(stream.position(), stream.size());
}

}  // namespace
}  // namespace http
