#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace json {
namespace {

TEST(WriteOrder, MembersFollowTheNameHashNotInsertion) {
  EXPECT_EQ(rewrite(u"{\"a\":1,\"b\":2}"), u"{\"b\":2,\"a\":1}");
  EXPECT_EQ(rewrite(u"{\"c\":1,\"a\":2,\"b\":3}"), u"{\"c\":1,\"b\":3,\"a\":2}");
  const JsonRef settings = parseDocument(u"{\"timeout\":1000,\"x\":1}");
  settings.putPathCurrency(u"timeout", 6000 * 10000LL);
  EXPECT_EQ(settings.asJson(), u"{\"x\":1,\"timeout\":6000}");
  const JsonRef single = parseDocument(u"{\"timeout\":3000}");
  single.putPathCurrency(u"timeout", 6000 * 10000LL);
  EXPECT_EQ(single.asJson(), u"{\"timeout\":6000}");
}

TEST(WriteOrder, AnyInsertionOrderGivesTheSameText) {
  std::vector<std::u16string> members;
  for (int i = 0; i < 60; ++i) {
    members.push_back(u"\"m" + std::u16string(1, static_cast<char16_t>(u'A' + i)) + u"\":" +
                      std::u16string(1, static_cast<char16_t>(u'0' + i % 10)));
  }
  std::mt19937 random(3);
  std::u16string expected;
  for (int round = 0; round < 5; ++round) {
    std::shuffle(members.begin(), members.end(), random);
    std::u16string text = u"{";
    for (const auto& member : members) text += member + u",";
    text += u"}";
    const std::u16string written = rewrite(text);
    if (round == 0) expected = written;
    EXPECT_EQ(written, expected);
  }
}

TEST(WriteNumbers, FormatsAfterParsingAgain) {
  EXPECT_EQ(rewrite(u"2.0"), u"2");
  EXPECT_EQ(rewrite(u"1.50"), u"1.5");
  EXPECT_EQ(rewrite(u"1.23456"), u"1.23456");
  EXPECT_EQ(rewrite(u"1e3"), u"1000");
  EXPECT_EQ(rewrite(u"-0"), u"0");
  EXPECT_EQ(rewrite(u"-0.0e0"), u"0");
  EXPECT_EQ(rewrite(u"007"), u"7");
  EXPECT_EQ(rewrite(u"-9223372036854775808"), u"-9223372036854775808");
}

TEST(WriteNumbers, DoubleTextHasFifteenDigitsAndSwitchesToScientific) {
  EXPECT_EQ(floatToJsonText(0.0001), u"0.0001");
  EXPECT_EQ(floatToJsonText(0.00001), u"1E-5");
  EXPECT_EQ(floatToJsonText(123456.789012), u"123456.789012");
  EXPECT_EQ(floatToJsonText(1e15), u"1E15");
  EXPECT_EQ(floatToJsonText(1e14), u"100000000000000");
  EXPECT_EQ(floatToJsonText(1.23456789012345678), u"1.23456789012346");
  EXPECT_EQ(floatToJsonText(-2.5e-7), u"-2.5E-7");
  EXPECT_EQ(floatToJsonText(-0.0), u"0");
  EXPECT_EQ(floatToJsonText(0.1 + 0.2), u"0.3");
  EXPECT_EQ(floatToJsonText(999999999999999.9), u"1E15");
  EXPECT_EQ(floatToJsonText(std::numeric_limits<double>::max()), u"1.79769313486232E308");
  EXPECT_EQ(floatToJsonText(std::numeric_limits<double>::denorm_min()), u"4.94065645841247E-324");
  EXPECT_EQ(floatToJsonText(std::numeric_limits<double>::infinity()), u"null");
  EXPECT_EQ(floatToJsonText(std::nan("")), u"null");
}

TEST(WriteNumbers, CurrencyIsExactWithoutTrailingZeros) {
  EXPECT_EQ(currencyToJsonText(6000 * 10000LL), u"6000");
  EXPECT_EQ(currencyToJsonText(15000), u"1.5");
  EXPECT_EQ(currencyToJsonText(-2500), u"-0.25");
  EXPECT_EQ(currencyToJsonText(1), u"0.0001");
  EXPECT_EQ(currencyToJsonText(-1), u"-0.0001");
  EXPECT_EQ(currencyToJsonText(0), u"0");
  EXPECT_EQ(currencyToJsonText(INT64_MIN), u"-922337203685477.5808");
}

TEST(WriteEscapes, FullEscapingGivesSevenBitAsciiAndMinimalKeepsTextRaw) {
  using Texts = std::pair<std::u16string, std::u16string>;
  const auto both = [](std::u16string text) {
    const JsonRef value = JsonValue::create(std::move(text));
    return Texts{value.asJson(false, true), value.asJson(false, false)};
  };
  EXPECT_EQ(both(u"\u00e9"), Texts(u"\"\\u00e9\"", u"\"\u00e9\""));
  EXPECT_EQ(both(u"\u20ac").first, u"\"\\u20ac\"");
  EXPECT_EQ(both(u"a/b"), Texts(u"\"a\\/b\"", u"\"a/b\""));
  EXPECT_EQ(both(u"\x7f"), Texts(u"\"\x7f\"", u"\"\x7f\""));
  EXPECT_EQ(both(u"\b\t\n\f\r\x01\x1f").first, u"\"\\b\\t\\n\\f\\r\\u0001\\u001f\"");
  EXPECT_EQ(both(u"\b\x01").second, u"\"\b\x01\"");
  EXPECT_EQ(both(u"\"\\").first, u"\"\\\"\\\\\"");
  EXPECT_EQ(both(u"\"\\").second, u"\"\\\"\\\\\"");
  EXPECT_EQ(both(std::u16string(u"a\0b", 3)).first, u"\"a\\u0000b\"");
  EXPECT_EQ(both(std::u16string(u"a\0b", 3)).second, u"\"a\\u0000b\"");
  EXPECT_EQ(both(u"\U0001F600").first, u"\"\\ud83d\\ude00\"");
  const JsonRef named = parseDocument(u"{\"\u00e9/\":1}");
  EXPECT_EQ(named.asJson(false, true), u"{\"\\u00e9\\/\":1}");
  EXPECT_EQ(named.asJson(false, false), u"{\"\u00e9/\":1}");
}

TEST(WriteContainers, EmptyContainersEmptySlotsAndIndentation) {
  EXPECT_EQ(rewrite(u"{}"), u"{}");
  EXPECT_EQ(rewrite(u"[]"), u"[]");
  EXPECT_EQ(rewrite(u"[{},[]]"), u"[{},[]]");
  EXPECT_EQ(rewrite(u"[null]"), u"[null]");
  const JsonRef document = parseDocument(u"{\"a\":[1,{\"b\":true}],\"c\":{}}");
  EXPECT_EQ(document.asJson(true, true),
            u"{\r\n \"c\": {},\r\n \"a\": [\r\n  1,{\r\n   \"b\": true\r\n  }]\r\n}");
  const JsonRef object = JsonValue::create(JsonType::Object);
  object->members()->store(u"gone", JsonRef());
  EXPECT_EQ(object.asJson(), u"{\"gone\":null}");
}

TEST(WriteContainers, CallablesAreLeftOut) {
  const JsonRef document = parseDocument(u"{\"a\":1}");
  document->members()->store(u"m", JsonValue::createMethod(nullptr));
  EXPECT_EQ(document.asJson(), u"{\"a\":1}");
  const JsonRef onlyMethod = JsonValue::create(JsonType::Object);
  onlyMethod->members()->store(u"m", JsonValue::createMethod(nullptr));
  EXPECT_EQ(onlyMethod.asJson(true, true), u"{}");
  const JsonRef array = parseDocument(u"[1,2]");
  array->elements()->add(JsonValue::createMethod(nullptr));
  EXPECT_EQ(array.asJson(), u"[1,2]");
}

TEST(WriteContainers, AValueInsideItselfIsWrittenOnceAndTheWalkEnds) {
  const JsonRef object = parseDocument(u"{\"a\":1}");
  object->members()->store(u"self", object);
  const JsonRef array = parseDocument(u"[1]");
  array->elements()->add(array);
  object->members()->store(u"list", array);
  EXPECT_EQ(object.asJson(), u"{\"a\":1,\"list\":[1]}");
  EXPECT_EQ(array.asJson(), u"[1]");
  EXPECT_FALSE(object->processing());
  // Break the cycles: there is no cycle collection.
  object->members()->remove(u"self");
  array->elements()->remove(1);
}

TEST(WriteContainers, ATreeAMillionLevelsDeepIsWrittenWhole) {
  constexpr std::size_t kDepth = 1000000;
  std::u16string path;
  for (std::size_t i = 0; i < kDepth; ++i) path += u"a.";
  path += u"b";
  const JsonRef document = JsonValue::create(JsonType::Object);
  document.putPathCurrency(path, 20000);
  const std::u16string text = document.asJson();
  EXPECT_EQ(text.size(), kDepth * 6 + 7);
  EXPECT_EQ(text.substr(0, 10), u"{\"a\":{\"a\":");
  EXPECT_EQ(text.substr(kDepth * 5, 9), u"{\"b\":2}}}");
}

// Generated documents: writing, parsing and writing again gives the same text.
class DocumentGenerator {
 public:
  explicit DocumentGenerator(unsigned seed) : random_(seed) {}

  std::u16string value(int depth) {
    switch (pick(depth < 6 ? 9 : 7)) {
      case 0:
        return u"null";
      case 1:
        return pick(2) == 0 ? u"true" : u"false";
      case 2:
        return ascii(std::to_string(static_cast<std::int64_t>(random_()) - (1LL << 31)));
      case 3:
        return ascii(std::to_string(pick(100000)) + "." + std::to_string(pick(10000)));
      case 4: {
        std::uniform_real_distribution<double> magnitude(-30, 30);
        char text[64];
        std::snprintf(text, sizeof text, "%.17g",
                      std::pow(10.0, magnitude(random_)) * (pick(2) ? 1 : -1));
        return ascii(text);
      }
      case 5:
      case 6:
        return string();
      case 7: {
        std::u16string text = u"[";
        for (int i = pick(5); i > 0; --i) text += value(depth + 1) + u",";
        return text + u"]";
      }
      default: {
        std::u16string text = u"{";
        for (int i = pick(5); i > 0; --i) text += string() + u":" + value(depth + 1) + u",";
        return text + u"}";
      }
    }
  }

 private:
  int pick(int count) { return static_cast<int>(random_() % static_cast<unsigned>(count)); }
  static std::u16string ascii(const std::string& text) { return {text.begin(), text.end()}; }
  std::u16string string() {
    static const std::u16string kUnits = u"aZ09 \"\\/'\t\n\x01\x7f\u00e9\u20ac\xD83D\xDE00{}[],:";
    std::u16string text = u"\"";
    for (int i = pick(8); i > 0; --i) {
      const char16_t unit = kUnits[static_cast<std::size_t>(pick(static_cast<int>(kUnits.size())))];
      if (unit == u'"' || unit == u'\\') text += u'\\';
      text += unit;
    }
    return text + u"\"";
  }

  std::mt19937 random_;
};

TEST(WriteContainers, OutputFarLongerThanTheWritersBlocksIsExact) {
  // Several hundred thousand units: the writer gathers them in blocks before the buffer.
  const JsonRef array = JsonValue::create(JsonType::Array);
  std::u16string escaped = u"[";
  std::u16string raw = u"[";
  for (int i = 0; i < 40000; ++i) {
    std::u16string text = u"\u00e9\"" + std::u16string(static_cast<std::size_t>(i % 7), u'x');
    array->elements()->add(JsonValue::create(text));
    array->elements()->add(JsonValue::create(std::int64_t{i} * 1000003));
    const std::u16string number = [&] {
      std::u16string digits;
      for (const char c : std::to_string(std::int64_t{i} * 1000003)) digits.push_back(c);
      return digits;
    }();
    const std::u16string tail = std::u16string(static_cast<std::size_t>(i % 7), u'x');
    escaped += (i == 0 ? u"" : u",") + std::u16string(u"\"\\u00e9\\\"") + tail + u"\"," + number;
    raw += (i == 0 ? u"" : u",") + std::u16string(u"\"\u00e9\\\"") + tail + u"\"," + number;
  }
  escaped += u"]";
  raw += u"]";
  EXPECT_EQ(array.asJson(false, true), escaped);
  EXPECT_EQ(array.asJson(false, false), raw);
}

TEST(WriteRoundTrip, GeneratedDocumentsAreStableAfterOneRewrite) {
  DocumentGenerator generator(11);
  for (int i = 0; i < 2000; ++i) {
    const std::u16string source = generator.value(0);
    const JsonRef first = parseDocument(source);
    ASSERT_TRUE(first) << utf16ToUtf8(source);
    for (const bool escape : {true, false}) {
      const std::u16string written = first.asJson(false, escape);
      const std::u16string again = parseDocument(written).asJson(false, escape);
      ASSERT_EQ(written, again) << utf16ToUtf8(source);
      // The direct UTF-8 writer gives the bytes of the UTF-16 text, lone surrogates included.
      ASSERT_EQ(first.asJsonUtf8(false, escape), utf16ToUtf8(written));
    }
    const std::u16string indented = first.asJson(true, true);
    ASSERT_EQ(parseDocument(indented).asJson(), first.asJson()) << utf16ToUtf8(source);
  }
}

}  // namespace
}  // namespace json
