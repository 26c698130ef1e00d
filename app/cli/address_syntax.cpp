#include "app/cli/address_syntax.h"

#include <algorithm>
#include <cstddef>

namespace app::cli {
namespace {

constexpr std::size_t kLongestHostName = 253;
constexpr std::size_t kLongestLabel = 63;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool isIpv4Address(std::string_view text) {
  int parts = 0;
  while (true) {
    std::size_t digits = 0;
    int value = 0;
    while (digits < text.size() && isDigit(text[digits])) {
      value = value * 10 + (text[digits] - '0');
      if (++digits > 3 || value > 255) return false;
    }
    if (digits == 0) return false;
    text.remove_prefix(digits);
    if (++parts == 4) return text.empty();
    if (text.empty() || text.front() != '.') return false;
    text.remove_prefix(1);
  }
}

// RFC 1123: letters, digits and inner hyphens, 1 to 63 a label.
bool isHostName(std::string_view text) {
  if (text.empty() || text.size() > kLongestHostName) return false;
  if (text.back() == '.') text.remove_suffix(1);
  bool allDigitsAndDots = true;
  while (true) {
    const std::size_t dot = std::min(text.find('.'), text.size());
    const std::string_view label = text.substr(0, dot);
    if (label.empty() || label.size() > kLongestLabel || label.front() == '-' ||
        label.back() == '-') {
      return false;
    }
    for (const char c : label) {
      if (!isDigit(c) && !isLetter(c) && c != '-') return false;
      if (!isDigit(c)) allDigitsAndDots = false;
    }
    if (dot == text.size()) break;
    text.remove_prefix(dot + 1);
  }
  // Digits and dots alone that are no IPv4 address (300.1.1.1, 1.2.3) name no host either.
  return !allDigitsAndDots;
}

}  // namespace

bool isDeviceAddress(std::string_view text) { return isIpv4Address(text) || isHostName(text); }

}  // namespace app::cli
