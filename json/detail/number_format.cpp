#include "json/detail/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

namespace json::detail {

namespace {

constexpr int kSignificantDigits = 15;

// Digits of a text in scientific notation, before its exponent.
int significantDigits(const char* text, const char* end) {
  int count = 0;
  for (; text != end && *text != 'e'; ++text) count += *text >= '0' && *text <= '9' ? 1 : 0;
  return count;
}

}  // namespace

std::size_t formatFloat(double value, char* out) {
  if (!std::isfinite(value)) {
    constexpr std::string_view kNull = "null";
    std::copy(kNull.begin(), kNull.end(), out);
    return kNull.size();
  }
  if (value == 0.0) {
    out[0] = '0';
    return 1;
  }
  // d.dddde[+-]x: the 15 correctly rounded significant digits and the exponent.
  char scientific[kMaxNumberText];
  std::to_chars_result converted = std::to_chars(scientific, scientific + sizeof scientific, value,
                                                 std::chars_format::scientific);
  // The shortest text that reads back as the value is much cheaper to produce. For a normal
  // double one unit in the last place is under a ninth of the step between 15-digit decimals,
  // so a shortest text of at most 15 digits is already the correctly rounded one.
  if (significantDigits(scientific, converted.ptr) > kSignificantDigits ||
      std::fabs(value) < std::numeric_limits<double>::min()) {
    converted = std::to_chars(scientific, scientific + sizeof scientific, value,
                              std::chars_format::scientific, kSignificantDigits - 1);
  }
  const char* cursor = scientific;
  const bool negative = *cursor == '-';
  if (negative) ++cursor;
  char digits[16]{};
  std::size_t count = 0;
  for (; *cursor != 'e'; ++cursor) {
    if (*cursor != '.') digits[count++] = *cursor;
  }
  int exponent = 0;
  std::from_chars(cursor + (cursor[1] == '+' ? 2 : 1), converted.ptr, exponent);
  while (count > 1 && digits[count - 1] == '0') --count;
  const int e = exponent + 1;  // |value| = 0.d1d2...dk x 10^e

  std::size_t length = 0;
  if (negative) out[length++] = '-';
  if (e >= -3 && e <= 15) {
    if (e <= 0) {
      out[length++] = '0';
      out[length++] = '.';
      for (int i = 0; i < -e; ++i) out[length++] = '0';
      std::memcpy(out + length, digits, count);
      length += count;
    } else {
      const auto whole = static_cast<std::size_t>(e);
      for (std::size_t i = 0; i < whole; ++i) out[length++] = i < count ? digits[i] : '0';
      if (count > whole) {
        out[length++] = '.';
        std::memcpy(out + length, digits + whole, count - whole);
        length += count - whole;
      }
    }
    return length;
  }
  out[length++] = digits[0];
  if (count > 1) {
    out[length++] = '.';
    std::memcpy(out + length, digits + 1, count - 1);
    length += count - 1;
  }
  out[length++] = 'E';
  const int shown = e - 1;
  if (shown < 0) out[length++] = '-';
  length += static_cast<std::size_t>(
      std::to_chars(out + length, out + kMaxNumberText, std::abs(shown)).ptr - (out + length));
  return length;
}

std::size_t formatCurrency(std::int64_t scaled, char* out) {
  const bool negative = scaled < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(scaled) : static_cast<std::uint64_t>(scaled);
  std::size_t length = 0;
  if (negative) out[length++] = '-';
  length += static_cast<std::size_t>(
      std::to_chars(out + length, out + kMaxNumberText, magnitude / 10000).ptr - (out + length));
  auto fraction = static_cast<unsigned>(magnitude % 10000);
  if (fraction != 0) {
    out[length++] = '.';
    unsigned divisor = 1000;
    while (fraction != 0) {
      out[length++] = static_cast<char>('0' + fraction / divisor);
      fraction %= divisor;
      divisor /= 10;
    }
  }
  return length;
}

std::size_t formatInteger(std::int64_t value, char* out) {
  return static_cast<std::size_t>(std::to_chars(out, out + kMaxNumberText, value).ptr - out);
}

}  // namespace json::detail
