#include "http/protocol_text.h"

#include <algorithm>
#include <limits>

namespace http::ascii {

char16_t toLower(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; }

std::u16string toLower(std::u16string_view text) {
  std::u16string result(text);
  for (char16_t& c : result) c = toLower(c);
  return result;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return toLower(x) == toLower(y); });
}

bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoreCase(std::u16string_view text, std::u16string_view suffix) {
  return text.size() >= suffix.size() &&
         equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

bool containsIgnoreCase(std::u16string_view text, std::u16string_view part) {
  if (part.empty()) return true;
  const auto it = std::search(text.begin(), text.end(), part.begin(), part.end(),
                              [](char16_t x, char16_t y) { return toLower(x) == toLower(y); });
  return it != text.end();
}

std::u16string_view trimLeft(std::u16string_view text) {
  std::size_t start = 0;
  while (start < text.size() && text[start] <= u' ') ++start;
  return text.substr(start);
}

std::u16string_view trim(std::u16string_view text) {
  text = trimLeft(text);
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] <= u' ') --end;
  return text.substr(0, end);
}

std::optional<std::int64_t> parseInt64(std::u16string_view text) {
  text = trim(text);
  bool negative = false;
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) {
    negative = text[0] == u'-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  // Accumulate as a negative number so that INT64_MIN fits.
  std::int64_t value = 0;
  constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
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

std::optional<std::int64_t> parseHex64(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  std::int64_t value = 0;
  for (const char16_t c : text) {
    int digit = 0;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      return std::nullopt;
    }
    if (value > (std::numeric_limits<std::int64_t>::max() - digit) / 16) return std::nullopt;
    value = value * 16 + digit;
  }
  return value;
}

std::u16string fromNumber(std::int64_t value) {
  const std::string digits = std::to_string(value);
  return {digits.begin(), digits.end()};
}

}  // namespace http::ascii
