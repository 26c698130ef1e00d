#include "http/detail/protocol_text.h"

#include <algorithm>
#include <limits>

namespace http::detail {

bool containsIgnoreCase(std::u16string_view text, std::u16string_view part) {
  if (part.empty()) return true;
  const auto* const it =
      std::search(text.begin(), text.end(), part.begin(), part.end(),
                  [](char16_t x, char16_t y) { return toLowerAscii(x) == toLowerAscii(y); });
  return it != text.end();
}

std::u16string_view trimLeftView(std::u16string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] <= u' ') ++start;
  return text.substr(start);
}

std::optional<std::int64_t> parseInt64(std::u16string_view text) {
  text = trimView(text);
  bool negative = false;
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulate as a negative number so that INT64_MIN fits.
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    const int digit = c - u'0';
    if (value < (kMin + digit) / 10) return std::nullopt;
    value = value * 10 - digit;
  }
  if (!negative) {
    if (value == kMin) return std::nullopt;
    value = -value;
  }
  return value;
}

bool isHexDigits(std::u16string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
  });
}

std::optional<std::int64_t> parseHex64(std::u16string_view text) {
  if (!isHexDigits(text)) return std::nullopt;
  std::int64_t value = 0;
  for (const char16_t c : text) {
    const int digit = c <= u'9' ? c - u'0' : (toLowerAscii(c) - u'a' + 10);
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 16) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

std::u16string decimalText(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

}  // namespace http::detail
