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

// A double as at most 15 significant digits, correctly rounded, without trailing zeros:
// |value| = 0.d1d2...dk x 10^exponent.
struct Decimal {
  bool negative = false;
  char digits[16]{};
  std::size_t count = 0;
  int exponent = 0;
};

Decimal decimalOf(double value) {
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
  Decimal decimal;
  const char* cursor = scientific;
  decimal.negative = *cursor == '-';
  if (decimal.negative) ++cursor;
  for (; *cursor != 'e'; ++cursor) {
    if (*cursor != '.') decimal.digits[decimal.count++] = *cursor;
  }
  std::from_chars(cursor + (cursor[1] == '+' ? 2 : 1), converted.ptr, decimal.exponent);
  ++decimal.exponent;
  while (decimal.count > 1 && decimal.digits[decimal.count - 1] == '0') --decimal.count;
  return decimal;
}

// 0.000ddd, ddd.ddd or ddd000, for exponents -3 to 15.
std::size_t writeFixed(const Decimal& d, char* out, std::size_t length) {
  const int e = d.exponent;
  if (e <= 0) {
    out[length++] = '0';
    out[length++] = '.';
    for (int i = 0; i < -e; ++i) out[length++] = '0';
    std::memcpy(out + length, d.digits, d.count);
    return length + d.count;
  }
  const auto whole = static_cast<std::size_t>(e);
  for (std::size_t i = 0; i < whole; ++i) out[length++] = i < d.count ? d.digits[i] : '0';
  if (d.count > whole) {
    out[length++] = '.';
    std::memcpy(out + length, d.digits + whole, d.count - whole);
    length += d.count - whole;
  }
  return length;
}

// d.dddE-x: no '+' and no leading zeros in the exponent.
std::size_t writeScientific(const Decimal& d, char* out, std::size_t length) {
  out[length++] = d.digits[0];
  if (d.count > 1) {
    out[length++] = '.';
    std::memcpy(out + length, d.digits + 1, d.count - 1);
    length += d.count - 1;
  }
  out[length++] = 'E';
  const int shown = d.exponent - 1;
  if (shown < 0) out[length++] = '-';
  return static_cast<std::size_t>(
      std::to_chars(out + length, out + kMaxNumberText, std::abs(shown)).ptr - out);
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
  const Decimal decimal = decimalOf(value);
  std::size_t length = 0;
  if (decimal.negative) out[length++] = '-';
  if (decimal.exponent >= -3 && decimal.exponent <= 15) return writeFixed(decimal, out, length);
  return writeScientific(decimal, out, length);
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
