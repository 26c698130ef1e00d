#include "text/utf8_codec.h"

#include <gtest/gtest.h>
#include <unicode/ustring.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace text {
namespace {

// The well-formed byte sequences of UTF-8, byte range by byte range, as the Unicode standard
// tabulates them. The reference decoder below works from this table alone.
struct Range {
  std::uint8_t low;
  std::uint8_t high;
};
const std::vector<std::vector<Range>> kWellFormed = {
    {{0x00, 0x7F}},
    {{0xC2, 0xDF}, {0x80, 0xBF}},
    {{0xE0, 0xE0}, {0xA0, 0xBF}, {0x80, 0xBF}},
    {{0xE1, 0xEC}, {0x80, 0xBF}, {0x80, 0xBF}},
    {{0xED, 0xED}, {0x80, 0x9F}, {0x80, 0xBF}},
    {{0xEE, 0xEF}, {0x80, 0xBF}, {0x80, 0xBF}},
    {{0xF0, 0xF0}, {0x90, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}},
    {{0xF1, 0xF3}, {0x80, 0xBF}, {0x80, 0xBF}, {0x80, 0xBF}},
    {{0xF4, 0xF4}, {0x80, 0x8F}, {0x80, 0xBF}, {0x80, 0xBF}},
};

void appendCodePoint(std::u16string& out, char32_t code) {
  if (code < 0x10000) {
    out += static_cast<char16_t>(code);
  } else {
    out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
  }
}

// At each position: the row whose ranges match longest. A whole row is a code point; a
// partial match (at least one byte) is a maximal subpart and becomes one U+FFFD.
std::u16string referenceDecode(const std::string& bytes, bool* wellFormed = nullptr) {
  std::u16string out;
  if (wellFormed != nullptr) *wellFormed = true;
  std::size_t i = 0;
  while (i < bytes.size()) {
    std::size_t matched = 0;
    const std::vector<Range>* row = nullptr;
    for (const auto& candidate : kWellFormed) {
      std::size_t k = 0;
      while (k < candidate.size() && i + k < bytes.size() &&
             static_cast<std::uint8_t>(bytes[i + k]) >= candidate[k].low &&
             static_cast<std::uint8_t>(bytes[i + k]) <= candidate[k].high) {
        ++k;
      }
      if (k > matched) {
        matched = k;
        row = &candidate;
      }
    }
    if (row == nullptr || matched < row->size()) {
      if (wellFormed != nullptr) *wellFormed = false;
      out += u'\uFFFD';
      i += matched == 0 ? 1 : matched;
      continue;
    }
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    char32_t code = matched == 1 ? lead : lead & (0xFFU >> (matched + 1));
    for (std::size_t k = 1; k < matched; ++k) code = (code << 6) | (bytes[i + k] & 0x3F);
    appendCodePoint(out, code);
    i += matched;
  }
  return out;
}

std::u16string icuDecode(const std::string& bytes) {
  std::u16string out(bytes.size() + 1, u'\0');
  std::int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<std::int32_t>(out.size()),
                       &length, bytes.data(), static_cast<std::int32_t>(bytes.size()), 0xFFFD,
                       nullptr, &status);
  EXPECT_TRUE(U_SUCCESS(status));
  out.resize(static_cast<std::size_t>(length));
  return out;
}

void expectAsReference(const std::string& bytes) {
  bool wellFormed = false;
  const std::u16string expected = referenceDecode(bytes, &wellFormed);
  ASSERT_EQ(utf8ToUtf16(bytes), expected) << testing::PrintToString(bytes);
  ASSERT_EQ(isValidUtf8(bytes), wellFormed) << testing::PrintToString(bytes);
}

TEST(Utf8Decode, MaximalSubpartsBecomeOneReplacementEach) {
  EXPECT_EQ(utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
  EXPECT_EQ(utf8ToUtf16("\xF0\x80"), u"\uFFFD\uFFFD");
  EXPECT_EQ(utf8ToUtf16("\xE1\x80\x41"), u"\uFFFDA");
  EXPECT_EQ(utf8ToUtf16("\xF4\x8F\xBF\xBF\xF4\x90"), u"\U0010FFFF\uFFFD\uFFFD");
  EXPECT_EQ(utf8ToUtf16("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), u"a\u00E9\u20AC\U0001F600");
}

TEST(Utf8Decode, EveryStringOfOneAndTwoBytesMatchesTheReference) {
  for (int a = 0; a < 256; ++a) {
    expectAsReference(std::string(1, static_cast<char>(a)));
    for (int b = 0; b < 256; ++b) expectAsReference({static_cast<char>(a), static_cast<char>(b)});
  }
}

TEST(Utf8Decode, ThreeAndFourByteStringsOfTheBoundaryLeadsMatchTheReference) {
  const std::array<int, 14> leads{0x41, 0x80, 0xC0, 0xC2, 0xDF, 0xE0, 0xE1,
                                  0xED, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  const std::array<int, 10> edges{0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xF0};
  for (const int lead : leads) {
    for (int second = 0; second < 256; ++second) {
      for (int third = 0; third < 256; ++third) {
        expectAsReference(
            {static_cast<char>(lead), static_cast<char>(second), static_cast<char>(third)});
      }
      for (const int third : edges) {
        for (const int fourth : edges) {
          expectAsReference({static_cast<char>(lead), static_cast<char>(second),
                             static_cast<char>(third), static_cast<char>(fourth)});
        }
      }
    }
  }
}

// Mostly ASCII with bad and good sequences at every offset, so the wide ASCII path is crossed.
std::string randomBytes(std::mt19937& random) {
  static const std::array<std::string, 8> kPieces{
      "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "\xF0\x80", "\xE1\x80",
      "\xFF",     "\x80"};
  std::string bytes;
  const std::size_t length = random() % 80;
  while (bytes.size() < length) {
    const unsigned pick = random() % 16;
    if (pick < 8) {
      bytes += kPieces[pick];
    } else {
      bytes.append(random() % 24, static_cast<char>('a' + random() % 26));
    }
  }
  return bytes;
}

TEST(Utf8Decode, RandomStringsAgreeWithIcuAndDecodeTheSameInPieces) {
  std::mt19937 random(15);
  for (int round = 0; round < 20000; ++round) {
    const std::string bytes = randomBytes(random);
    const std::u16string whole = utf8ToUtf16(bytes);
    ASSERT_EQ(whole, icuDecode(bytes)) << testing::PrintToString(bytes);
    ASSERT_EQ(whole, referenceDecode(bytes));
    // Cut anywhere, then moved back to where the stream may be cut.
    std::u16string pieces;
    std::string_view rest = bytes;
    while (!rest.empty()) {
      const std::size_t cut = completeUtf8Prefix(rest.substr(0, 1 + random() % rest.size()));
      const std::size_t taken = cut == 0 ? rest.size() : cut;
      pieces += utf8ToUtf16(rest.substr(0, taken));
      rest.remove_prefix(taken);
    }
    ASSERT_EQ(pieces, whole) << testing::PrintToString(bytes);
  }
}

TEST(Utf8Encode, EveryCodeUnitAndPairEncodesAndUnpairedSurrogatesAreReplaced) {
  for (char32_t unit = 0; unit < 0x10000; ++unit) {
    const std::u16string text{u'a', static_cast<char16_t>(unit), u'b'};
    const std::string bytes = utf16ToUtf8(text);
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    EXPECT_EQ(utf8ToUtf16(bytes), surrogate ? u"a\uFFFDb" : text);
  }
  for (char16_t high = 0xD800; high < 0xDC00; high += 0x3F) {
    const std::u16string pair{high, u'\xDC01'};
    ASSERT_EQ(utf8ToUtf16(utf16ToUtf8(pair)), pair);
    ASSERT_EQ(utf16ToUtf8(pair).size(), 4U);
  }
  EXPECT_EQ(utf16ToUtf8(u"\xDC00\xD800"), "\xEF\xBF\xBD\xEF\xBF\xBD");
  const std::u16string longAscii(100, u'x');
  EXPECT_EQ(utf16ToUtf8(longAscii + u'\u00E9' + longAscii),
            std::string(100, 'x') + "\xC3\xA9" + std::string(100, 'x'));
}

TEST(Latin1, EveryByteIsItsOwnCodeUnit) { EXPECT_EQ(latin1ToUtf16("a\xE9\xFF"), u"a\u00E9\u00FF"); }

}  // namespace
}  // namespace text
