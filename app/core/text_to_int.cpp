#include "app/core/text_to_int.h"

#include <limits>
#include <string>

#include "app/core/errors.h"

namespace app {
namespace {

[[noreturn]] void raiseNotAnInteger(std::u16string_view text) {
  throw ConversionError(u"''" + std::u16string(text) + u"'' is not a valid integer value");
}

int hexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') {
    return c - u'0';
  }
  if (c >= u'a' && c <= u'f') {
    return c - u'a' + 10;
  }
  if (c >= u'A' && c <= u'F') {
    return c - u'A' + 10;
  }
  return -1;
}

// Length of the hex prefix at the start of digits, 0 when there is none.
std::size_t hexPrefixLength(std::u16string_view digits) {
  if (digits.starts_with(u'$') || digits.starts_with(u'x') || digits.starts_with(u'X')) {
    return 1;
  }
  if (digits.starts_with(u"0x") || digits.starts_with(u"0X")) {
    return 2;
  }
  return 0;
}

}  // namespace

std::int32_t textToInt(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') {
    ++i;
  }
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  const std::u16string_view digits = text.substr(i);

  if (const std::size_t prefix = hexPrefixLength(digits); prefix > 0) {
    const std::u16string_view hex = digits.substr(prefix);
    if (hex.empty() || hex.size() > 8) {
      raiseNotAnInteger(text);
    }
    std::uint32_t pattern = 0;
    for (const char16_t c : hex) {
      const int value = hexDigitValue(c);
      if (value < 0) {
        raiseNotAnInteger(text);
      }
      pattern = (pattern << 4U) | static_cast<std::uint32_t>(value);
    }
    // The pattern is negated modulo 2^32, so "-$1" and "$FFFFFFFF" both give -1.
    if (negative) {
      pattern = 0U - pattern;
    }
    return static_cast<std::int32_t>(pattern);
  }

  if (digits.empty()) {
    raiseNotAnInteger(text);
  }
  // Accumulated as a magnitude so that the most negative value fits.
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 31U : std::uint64_t{std::numeric_limits<std::int32_t>::max()};
  std::uint64_t magnitude = 0;
  for (const char16_t c : digits) {
    if (c < u'0' || c > u'9') {
      raiseNotAnInteger(text);
    }
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - u'0');
    if (magnitude > limit) {
      raiseNotAnInteger(text);
    }
  }
  const auto value = static_cast<std::int64_t>(magnitude);
  return static_cast<std::int32_t>(negative ? -value : value);
}

}  // namespace app
