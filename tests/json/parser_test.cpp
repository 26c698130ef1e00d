#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>

#include "test_support.h"

namespace json {
namespace {

std::u16string nested(int depth, std::u16string_view inner) {
  return std::u16string(static_cast<std::size_t>(depth), u'[') + std::u16string(inner) +
         std::u16string(static_cast<std::size_t>(depth), u']');
}

void expectString(std::u16string_view text, std::u16string_view expected) {
  const JsonRef value = parseDocument(text);
  ASSERT_TRUE(value) << utf16ToUtf8(text);
  ASSERT_EQ(value->type(), JsonType::String) << utf16ToUtf8(text);
  EXPECT_EQ(value->text(), expected) << utf16ToUtf8(text);
}

void expectError(std::u16string_view text, ParseError error, bool strict = false) {
  const ParseOutcome outcome = parseWithError(text, strict);
  EXPECT_FALSE(outcome.value) << utf16ToUtf8(text);
  EXPECT_EQ(outcome.error, error) << utf16ToUtf8(text);
  EXPECT_FALSE(JsonValue::parseText(text, strict, true)) << utf16ToUtf8(text);
  if (!strict) {
    EXPECT_EQ(parseDocumentWithError(text).error, error) << utf16ToUtf8(text);
  }
}

TEST(ParseNonJson, AnyTextThatStartsLikeNoValueBecomesOneString) {
  expectString(u"timeout", u"timeout");
  expectString(u"", u"");
  expectString(u" \r\n\t ", u"");
  expectString(u"  <html>\r\n<body>Error: \"x\" [1], {a}</body>\r\n",
               u"<html>\r\n<body>Error: \"x\" [1], {a}</body>");
  expectString(u"C:\\tmp\\q", u"C:\tmpq");
  expectString(u"+12", u"+12");
  expectString(u".5", u".5");
  expectString(u"True", u"True");
  expectString(u"NULL", u"NULL");
  expectString(u"nullable", u"nullable");
  expectString(u"true_x", u"true_x");
  expectString(u"fals", u"fals");
  expectString(u"\u20ac99", u"\u20ac99");
  expectString(u"cut\\u0000here", u"cut");
  expectError(u"<p>\\u00g1</p>", ParseError::ParseString);
  expectError(u"\\x4", ParseError::ParseString);
}

TEST(ParseNonJson, StrictModeRejectsUnquotedText) {
  expectError(u"", ParseError::ParseString, true);
  expectError(u"   ", ParseError::ParseString, true);
  expectError(u"timeout", ParseError::ParseString, true);
  expectError(u"[1,x]", ParseError::ParseString, true);
  expectError(u"{a b : 1}", ParseError::ParseObjectKeyName, true);
  EXPECT_TRUE(JsonValue::parseText(u"{\"a\":[1,\"x\"]}", true, false));
}

TEST(ParseErrors, SayWhyAndAtWhichByteOfTheUtf8Text) {
  struct Case {
    std::u16string_view text;
    ParseError error;
    std::size_t offset;
  };
  for (const Case& c : {
           Case{u"{\"globals\": {\"ZEDEZVer\" \"1.0.10\"}}", ParseError::ParseObjectKeySep, 24},
           Case{u"[1, 2", ParseError::ParseArray, 5},
           Case{u"{\"a\": \"open", ParseError::ParseEof, 11},
           Case{u"{\"\u00e9\u20ac\": 1 2}", ParseError::ParseObjectValueSep, 12},
           Case{u"[\"\U0001F600\" x]", ParseError::ParseArray, 8},
           Case{u"<p>\\u00g1</p>", ParseError::ParseString, 7},
           Case{u"1 / 2", ParseError::ParseComment, 3},
       }) {
    const ParseResult result = parseDocumentWithError(c.text);
    EXPECT_FALSE(result.value) << utf16ToUtf8(c.text);
    EXPECT_EQ(result.error, c.error) << utf16ToUtf8(c.text);
    EXPECT_EQ(result.offset, c.offset) << utf16ToUtf8(c.text);
  }
  const ParseResult partial = parseDocumentWithError(u"{\"a\":1} trailing");
  EXPECT_TRUE(partial.value.isType(JsonType::Object));
  EXPECT_EQ(partial.error, ParseError::Success);
  EXPECT_EQ(parseDocumentWithError(u"[1,2]", {2}).error, ParseError::ValueLimit);
  EXPECT_EQ(parseErrorText(ParseError::ParseEof), "unexpected end of text");
}

TEST(ParseLiterals, OnlyExactLowerCaseWordsAreLiterals) {
  EXPECT_EQ(parseDocument(u"null")->type(), JsonType::Null);
  EXPECT_TRUE(parseDocument(u" true ")->boolean());
  EXPECT_EQ(parseDocument(u"false")->type(), JsonType::Boolean);
  EXPECT_FALSE(parseDocument(u"false")->boolean());
  const ParseOutcome trailing = parseWithError(u"true1");
  ASSERT_TRUE(trailing.value);
  EXPECT_TRUE(trailing.value->boolean());
  EXPECT_EQ(trailing.offset, 4U);
  EXPECT_FALSE(JsonValue::parseText(u"true1", false, false));
  EXPECT_EQ(parseDocument(u"null5")->type(), JsonType::Null);
  const JsonRef array = parseDocument(u"[nul, tru, null]");
  EXPECT_EQ(array.asJson(), u"[\"nul\",\"tru\",null]");
}

TEST(ParseNumbers, IntegersCurrenciesAndDoublesByTheirText) {
  EXPECT_EQ(parseDocument(u"12")->integer(), 12);
  EXPECT_EQ(parseDocument(u"-12")->integer(), -12);
  EXPECT_EQ(parseDocument(u"007")->integer(), 7);
  EXPECT_EQ(parseDocument(u"-9223372036854775808")->integer(), INT64_MIN);
  EXPECT_EQ(parseDocument(u"9223372036854775807")->integer(), INT64_MAX);
  const auto currency = [](std::u16string_view text) {
    const JsonRef value = parseDocument(text);
    EXPECT_EQ(value->type(), JsonType::Currency) << utf16ToUtf8(text);
    return value->currency();
  };
  EXPECT_EQ(currency(u"1.5"), 15000);
  EXPECT_EQ(currency(u"1.2345"), 12345);
  EXPECT_EQ(currency(u"2."), 20000);
  EXPECT_EQ(currency(u"-0.25"), -2500);
  EXPECT_EQ(currency(u"922337203685477.5807"), INT64_MAX);
  EXPECT_EQ(parseDocument(u"1.23456")->type(), JsonType::Double);
  EXPECT_DOUBLE_EQ(parseDocument(u"1.23456")->dbl(), 1.23456);
  EXPECT_EQ(parseDocument(u"1e3")->dbl(), 1000.0);
  EXPECT_EQ(parseDocument(u"1.5E-2")->dbl(), 0.015);
}

// Malformed and out-of-range numbers: never an error, and never a wrapped or garbage value.
TEST(ParseNumbers, MalformedAndHugeNumbersGiveTheNearestSoundValue) {
  EXPECT_EQ(parseDocument(u"1-2")->integer(), 1);
  EXPECT_EQ(parseDocument(u"--")->integer(), 0);
  EXPECT_EQ(parseDocument(u"1.2.3")->currency(), 12000);
  EXPECT_EQ(parseDocument(u"1e5e")->dbl(), 1e5);
  EXPECT_EQ(parseDocument(u"-e")->dbl(), 0.0);
  const JsonRef bigInteger = parseDocument(u"123456789012345678901");
  ASSERT_EQ(bigInteger->type(), JsonType::Double);
  EXPECT_EQ(bigInteger->dbl(), 123456789012345678901.0);
  EXPECT_EQ(parseDocument(u"-9223372036854775809")->dbl(), -9223372036854775809.0);
  const JsonRef bigCurrency = parseDocument(u"922337203685477.5808");
  ASSERT_EQ(bigCurrency->type(), JsonType::Double);
  EXPECT_EQ(bigCurrency->dbl(), 922337203685477.5808);
  EXPECT_EQ(parseDocument(u"1e999")->dbl(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseDocument(u"-1e999")->dbl(), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseDocument(u"1e-999")->dbl(), 0.0);
  EXPECT_EQ(parseDocument(u"0.000001e-400")->dbl(), 0.0);
  EXPECT_EQ(parseDocument(std::u16string(400, u'9') + u".0e0")->dbl(),
            std::numeric_limits<double>::infinity());
  EXPECT_EQ(parseDocument(u"[1e999,2]").asJson(), u"[null,2]");
}

TEST(ParseStrings, QuotesAndEscapes) {
  EXPECT_EQ(parseDocument(u"'it\"s'")->text(), u"it\"s");
  EXPECT_EQ(parseDocument(u"\"it's\"")->text(), u"it's");
  EXPECT_EQ(parseDocument(u"\"a\\/b\\qc\"")->text(), u"a/bqc");
  EXPECT_EQ(parseDocument(u"\"\\b\\f\\n\\r\\t\\\\\\\"\"")->text(), u"\b\f\n\r\t\\\"");
  EXPECT_EQ(parseDocument(u"\"\\u00e9\\u00E9\\x41\\xfF\"")->text(), u"\u00e9\u00e9A\u00ff");
  EXPECT_EQ(parseDocument(u"\"\\ud83d\\ude00\\ud800\"")->text(), u"\U0001F600\xD800");
  EXPECT_EQ(parseDocument(u"\"a\\u0000b\"")->text(), std::u16string(u"a\0b", 3));
  EXPECT_EQ(parseDocument(u"\"line\r\nbreak\ttab\"")->text(), u"line\r\nbreak\ttab");
  expectError(u"\"\\u00g1\"", ParseError::ParseString);
  expectError(u"\"open", ParseError::ParseEof);
  expectError(u"\"\\u12", ParseError::ParseString);
  expectError(u"\"esc\\", ParseError::ParseEof);
}

TEST(ParseStructure, ObjectsArraysAndTheirLeniency) {
  const JsonRef object = parseDocument(u"{'k':'v', \"n\" : 1 , }");
  EXPECT_EQ(object.asJson(), u"{\"n\":1,\"k\":\"v\"}");
  EXPECT_EQ(parseDocument(u"[1,]").asJson(), u"[1]");
  EXPECT_EQ(parseDocument(u"[,1]").asJson(), u"[\"\",1]");
  EXPECT_EQ(parseDocument(u"[1,,2]").asJson(), u"[1,\"\",2]");
  EXPECT_EQ(parseDocument(u"{\"a\":}").asJson(), u"{\"a\":\"\"}");
  EXPECT_EQ(parseDocument(u"{\"a\":1,\"a\":2}").asJson(), u"{\"a\":2}");
  EXPECT_EQ(parseDocument(u"[a b, c]]").asJson(), u"[\"a b\",\"c\"]");
  EXPECT_EQ(parseDocument(u"{\"a\": x } ]}").asJson(), u"{\"a\":\"x\"}");
  const JsonRef unquoted = parseDocument(u"{a b : 1, \u20ac:2}");
  ASSERT_TRUE(unquoted);
  EXPECT_EQ(unquoted->members()->find(u"a b ")->integer(), 1);
  EXPECT_EQ(unquoted->members()->find(u"\u20ac")->integer(), 2);
  EXPECT_EQ(parseDocument(u"{\"a\\u0000b\":1}")->members()->find(u"a")->integer(), 1);
  EXPECT_EQ(parseDocument(u"([1])").asJson(), u"[1]");
}

TEST(ParseStructure, ErrorsWhereTheTextCannotGoOn) {
  expectError(u"[1", ParseError::ParseArray);
  expectError(u"[1 2]", ParseError::ParseArray);
  expectError(u"{", ParseError::ParseObjectKeyName);
  expectError(u"{,}", ParseError::ParseObjectKeyName);
  expectError(u"{\"a\" 1}", ParseError::ParseObjectKeySep);
  expectError(u"{\"a\":1 \"b\":2}", ParseError::ParseObjectValueSep);
  expectError(u"{\"a\":1", ParseError::ParseObjectValueSep);
  expectError(u"{a", ParseError::ParseObjectKeySep);
}

TEST(ParseStructure, TextEndingInsideAContainerFailsEvenAfterAComment) {
  expectError(u"[1 // note", ParseError::ParseEof);
  expectError(u"{\"a\":1 /* note", ParseError::ParseEof);
  expectError(u"[\"open", ParseError::ParseEof);
}

TEST(ParseComments, BlockAndLineComments) {
  EXPECT_EQ(parseDocument(u"/* x **/ 1")->integer(), 1);
  EXPECT_EQ(parseDocument(u"// head\n[1, /* in */ 2] // tail")->elements()->length(), 2U);
  EXPECT_EQ(parseDocument(u"1 /* tail */")->integer(), 1);
  expectError(u"/* x * / 1", ParseError::ParseEof);
  expectError(u"/x", ParseError::ParseComment);
  expectError(u"1 /x", ParseError::ParseComment);
  expectError(u"// only a comment", ParseError::ParseEof);
}

TEST(ParseModes, PartialDecidesAboutTrailingText) {
  EXPECT_TRUE(JsonValue::parseText(u"{\"a\":1} trailing", false, true));
  EXPECT_FALSE(JsonValue::parseText(u"{\"a\":1} trailing", false, false));
  EXPECT_TRUE(JsonValue::parseText(u"{\"a\":1}  \r\n", false, false));
  EXPECT_TRUE(JsonValue::parseText(std::u16string(u"{}\0junk", 7), false, false));
  const JsonRef first = parseDocument(u"[1] [2]");
  EXPECT_EQ(first.asJson(), u"[1]");
}

// The first NUL ends the text, also where a comment takes it in: what lies beyond is not
// trailing text.
TEST(ParseModes, ACommentThatRunsIntoTheEndEndsTheText) {
  for (const std::u16string_view text :
       {std::u16string_view(u"1//\0x", 5), std::u16string_view(u"1/*\0x", 5),
        std::u16string_view(u"1\0x", 3)}) {
    for (const bool strict : {false, true}) {
      const JsonRef value = JsonValue::parseText(text, strict, false);
      ASSERT_TRUE(value.isType(JsonType::Int)) << strict << " " << utf16ToUtf8(text);
      EXPECT_EQ(value->integer(), 1);
    }
  }
  EXPECT_FALSE(JsonValue::parseText(std::u16string_view(u"/*\0x", 4), false, false));
  // The bytes entry: a NUL in the first piece, and one at the start of a later piece.
  EXPECT_EQ(parseDocument(std::string_view("1//\0x", 5))->integer(), 1);
  EXPECT_EQ(parseDocument(std::string_view("1/*\0x", 5))->integer(), 1);
  const std::string later = "1//" + std::string(16 * 1024 - 3, 'c') + std::string(1, '\0') + "x";
  EXPECT_EQ(parseDocument(std::string_view(later))->integer(), 1);
}

TEST(ParseNesting, ThirtyTwoLevelsAtMost) {
  EXPECT_TRUE(parseDocument(nested(31, u"1")));
  expectError(nested(32, u"1"), ParseError::Depth);
  EXPECT_TRUE(parseDocument(nested(32, u"")));
  expectError(nested(33, u""), ParseError::Depth);
  std::u16string objects;
  for (int i = 0; i < 40; ++i) objects += u"{\"a\":";
  expectError(objects + u"1", ParseError::Depth);
  expectError(nested(100000, u"1"), ParseError::Depth);
}

std::size_t countValues(const JsonRef& value) {
  if (!value) return 0;
  std::size_t count = 1;
  if (const MemberTable* members = value->members()) {
    members->forEach([&](const AvlNode& node) { count += countValues(node.value); });
  }
  if (const JsonArray* elements = value->elements()) {
    for (std::size_t i = 0; i < elements->length(); ++i) {
      count += countValues(elements->at(static_cast<std::int64_t>(i)));
    }
  }
  return count;
}

TEST(ParseValueLimit, AParseMakesAtMostTheValuesItIsAllowed) {
  for (const char16_t* text :
       {u"[1,[2,3],{\"a\":\"x\",'b':null}]", u"timeout", u"[,1,,]", u"[[[[]]]] // c",
        u"{\"a\":[true,false,1.5,1e3,\"\\u00e9\",-7]}", u"{a b: c d, \"e\":{}}"}) {
    const std::size_t count = countValues(parseDocument(text));
    const std::string utf8 = utf16ToUtf8(text);
    EXPECT_TRUE(parseDocument(text, {count})) << utf8;
    EXPECT_FALSE(parseDocument(text, {count - 1})) << utf8;
    EXPECT_TRUE(parseDocument(std::string_view(utf8), {count})) << utf8;
    EXPECT_FALSE(parseDocument(std::string_view(utf8), {count - 1})) << utf8;
  }
  std::string flood = "[";
  for (int i = 0; i < 300000; ++i) flood += "[],";
  flood += "[]]";
  EXPECT_FALSE(parseDocument(std::string_view(flood), {100000}));
  EXPECT_EQ(countValues(parseDocument(std::string_view(flood), {300002})), 300002U);
  detail::Tokenizer limited;
  limited.valuesLeft = 2;
  EXPECT_FALSE(detail::runParser(limited, u"[1,2]", -1, {}));
  EXPECT_EQ(limited.error, ParseError::ValueLimit);
}

TEST(ParseLengthLimit, StopsAtTheLengthWithContinueOrSuccess) {
  detail::Tokenizer complete;
  EXPECT_TRUE(detail::runParser(complete, u"[1] xyz", 4, {}));
  EXPECT_EQ(complete.error, ParseError::Success);
  detail::Tokenizer incomplete;
  EXPECT_FALSE(detail::runParser(incomplete, u"[1, 2]", 3, {}));
  EXPECT_EQ(incomplete.error, ParseError::Continue);
}

TEST(ParseLargeDocument, TenMegabytesOfMixedValues) {
  std::u16string text = u"[";
  std::size_t count = 0;
  while (text.size() < 10'000'000) {
    text +=
        u"{\"id\":12345,\"price\":12.5,\"ratio\":0.123456,\"name\":\"item \\u00e9\",\"ok\":true},";
    ++count;
  }
  text += u"null]";
  const JsonRef document = parseDocument(text);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->elements()->length(), count + 1);
  EXPECT_EQ(document->elements()->at(7)->members()->find(u"name")->text(), u"item \u00e9");
}

TEST(ParseUtf8, BytesParseAsTheirDecodedTextAcrossEveryPieceBoundary) {
  std::string document = "[";
  for (int i = 0; i < 3000; ++i) {
    document += "{\"n\":" + std::to_string(i * 7919) +
                ".25,\"t\":\"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 " + std::to_string(i) +
                "\\n\"}, /* c */ tr\xC3\xBA\xED\xA0\x80"
                "e ,\n";
  }
  document += "\"" + std::string(40000, 'x') + "\xC5\xBE\"]";
  const std::array<std::string, 4> tails{"", " trailing", std::string("\0[", 2), " /"};
  for (std::size_t shift = 0; shift < 4; ++shift) {
    for (const std::string& tail : tails) {
      const std::string bytes = std::string(shift, ' ') + document + tail;
      const JsonRef fromBytes = parseDocument(std::string_view(bytes));
      const JsonRef fromText = parseDocument(text::utf8ToUtf16(bytes));
      ASSERT_EQ(static_cast<bool>(fromBytes), static_cast<bool>(fromText));
      if (fromText) {
        ASSERT_EQ(fromBytes.asJson(), fromText.asJson());
      }
    }
  }
  EXPECT_FALSE(parseDocument(std::string_view("[1,2")));
  EXPECT_EQ(parseDocument(std::string_view("timeout"))->text(), u"timeout");
}

// Documents take shortcuts through the machine that path evaluations do not. With a string as
// context a path reads JSON values as a document does, so the two must agree on any JSON.
class LenientJsonGenerator {
 public:
  std::u16string document() { return space() + value(0) + space(); }

 private:
  std::u16string value(int depth) {
    static const std::array<std::u16string_view, 16> kScalars{
        u"null",         u"true",
        u"-12",          u"1.5",
        u"2.",           u"1e3",
        u"1.2.3",        u"\"\"",
        u"'q\"x'",       u"\"a\\nb\"",
        u"\"\u20ac\t\"", u"99999999999999999999",
        u"false",        u"\"\\u00e9\\x41\\/\\q\\\"\"",
        u"\"\\u12G4\"",  u"'\\'x'"};
    const unsigned kind = random_() % (depth < 6 ? 4 : 2);
    if (kind < 2) return std::u16string(kScalars[random_() % kScalars.size()]);
    const bool array = kind == 2;
    std::u16string text(1, array ? u'[' : u'{');
    for (unsigned i = random_() % 4; i > 0; --i) {
      text += space();
      if (!array) text += std::u16string(random_() % 2 ? u"\"k\"" : u"'k\\\"'") + space() + u":";
      text += space() + value(depth + 1) + space() + (i > 1 || random_() % 3 == 0 ? u"," : u"");
    }
    return text + space() + (array ? u']' : u'}');
  }
  std::u16string space() {
    static const std::array<std::u16string_view, 4> kSpaces{u"", u" \n", u"/*c*/", u"// x\n"};
    return std::u16string(kSpaces[random_() % kSpaces.size()]);
  }
  std::mt19937 random_{17};
};

TEST(ParseShortcuts, DocumentsAgreeWithTheUnitByUnitMachine) {
  LenientJsonGenerator generator;
  const JsonRef context = JsonValue::create(u"context");
  for (int i = 0; i < 3000; ++i) {
    std::u16string text = generator.document();
    if (i % 4 == 0) text.resize(text.size() * 3 / 4);  // cut short: inside a container both fail
    const JsonRef document = parseDocument(text);
    const JsonRef path = JsonValue::parseText(text, false, true, context);
    // Cut at the top, the rest is unquoted text, which a path reads as a name instead.
    if (!path && document.isType(JsonType::String)) continue;
    ASSERT_EQ(static_cast<bool>(document), static_cast<bool>(path)) << utf16ToUtf8(text);
    if (document) {
      ASSERT_EQ(document.asJson(), path.asJson()) << utf16ToUtf8(text);
    }
  }
}

}  // namespace
}  // namespace json
