#include "json/detail/number_parse.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "json/json_value.h"

namespace json::detail {

namespace {

struct IntegerScan {
  std::int64_t value = 0;
  bool overflow = false;
  std::size_t end = 0;  // units taken: the sign and the digits
};

bool isDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

// One optional sign, then digits up to the first other unit; no digits give 0.
IntegerScan scanInteger(std::u16string_view text) {
  IntegerScan scan;
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::uint64_t{std::numeric_limits<std::int64_t>::max()};
  // Divided once here rather than for every digit.
  const std::uint64_t limitTenth = limit / 10;
  const auto limitLastDigit = static_cast<unsigned>(limit % 10);
  std::uint64_t magnitude = 0;
  while (pos < text.size() && isDigit(text[pos])) {
    const unsigned digit = text[pos] - u'0';
    if (magnitude > limitTenth || (magnitude == limitTenth && digit > limitLastDigit)) {
      scan.overflow = true;
    }
    if (!scan.overflow) magnitude = magnitude * 10 + digit;
    ++pos;
  }
  scan.end = pos;
  if (!scan.overflow) {
    scan.value =
        negative ? static_cast<std::int64_t>(0 - magnitude) : static_cast<std::int64_t>(magnitude);
  }
  return scan;
}

// Where the decimal conversion overflows or underflows: a number whose first significant
// digit lies left of the point (after applying the exponent) is huge, otherwise tiny.
bool isHugeMagnitude(std::string_view text) {
  std::size_t pos = (!text.empty() && text[0] == '-') ? 1 : 0;
  std::int64_t magnitude = 0;
  bool seenSignificant = false;
  bool afterPoint = false;
  for (; pos < text.size(); ++pos) {
    const char unit = text[pos];
    if (unit == '.') {
      afterPoint = true;
    } else if (unit >= '0' && unit <= '9') {
      if (unit != '0') seenSignificant = true;
      if (!afterPoint && seenSignificant) ++magnitude;
      if (afterPoint && !seenSignificant) --magnitude;
    } else {
      break;
    }
  }
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    ++pos;
    const bool negativeExponent = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) ++pos;
    const std::int64_t bound = 1'000'000'000;
    std::int64_t exponent = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
      exponent = std::min(bound, exponent * 10 + (text[pos] - '0'));
    }
    magnitude += negativeExponent ? -exponent : exponent;
  }
  return magnitude > 0;
}

// Any correctly rounded conversion of the longest valid prefix. Text beyond the range of a
// double gives an infinity of its sign (written back as null), text below it a zero.
double doubleFromAscii(std::string_view ascii) {
  double value = 0.0;
  const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (error == std::errc::result_out_of_range) {
    const bool negative = !ascii.empty() && ascii[0] == '-';
    const std::string_view taken(ascii.data(), static_cast<std::size_t>(end - ascii.data()));
    value = isHugeMagnitude(taken) ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) value = -value;
  } else if (error != std::errc()) {
    value = 0.0;
  }
  return value;
}

// Number text holds only ASCII units; most of it fits a buffer on the stack.
double doubleFromText(std::u16string_view text) {
  constexpr std::size_t kShort = 64;
  std::array<char, kShort> buffer;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  std::string longText;
  char* ascii = buffer.data();
  if (text.size() > kShort) {
    longText.resize(text.size());
    ascii = longText.data();
  }
  for (std::size_t i = 0; i < text.size(); ++i) ascii[i] = static_cast<char>(text[i]);
  return doubleFromAscii({ascii, text.size()});
}

}  // namespace

JsonRef numberFromText(std::u16string_view text, bool isDouble, int fractionDigits) {
  if (!isDouble) {
    // An integer beyond 64 bits becomes the double nearest to it rather than a wrapped value.
    const IntegerScan scan = scanInteger(text);
    if (scan.overflow) return JsonValue::create(doubleFromText(text.substr(0, scan.end)));
    return JsonValue::create(scan.value);
  }
  if (fractionDigits >= 0) {
    // The point removed: the integer part, then the counted fraction digits after it.
    const std::size_t point = text.find(u'.');
    const std::u16string_view fraction =
        text.substr(point + 1, static_cast<std::size_t>(fractionDigits));
    std::u16string longText;
    std::array<char16_t, 64> buffer;  // NOLINT(cppcoreguidelines-pro-type-member-init)
    char16_t* joined = buffer.data();
    if (point + fraction.size() > buffer.size()) {
      longText.resize(point + fraction.size());
      joined = longText.data();
    }
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(point), joined);
    std::copy(fraction.begin(), fraction.end(), joined + point);
    const IntegerScan scan = scanInteger({joined, point + fraction.size()});
    static constexpr std::array<std::int64_t, 5> kScale{10000, 1000, 100, 10, 1};
    const std::int64_t scale = kScale[static_cast<std::size_t>(fractionDigits)];
    std::int64_t scaled = 0;
    // A currency whose scaled value does not fit 64 bits is kept as a double instead.
    if (scan.overflow || __builtin_mul_overflow(scan.value, scale, &scaled)) {
      return JsonValue::create(doubleFromText(text));
    }
    return JsonValue::createCurrency(scaled);
  }
  return JsonValue::create(doubleFromText(text));
}

}  // namespace json::detail
