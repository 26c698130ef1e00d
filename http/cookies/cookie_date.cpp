#include "http/cookies/cookie_date.h"

#include <array>

#include "http/base/ascii_text.h"

namespace http {
namespace {

bool isDelimiter(char16_t c) {
  return c == 0x09 || (c >= 0x20 && c <= 0x2F) || (c >= 0x3B && c <= 0x40) ||
         (c >= 0x5B && c <= 0x60) || (c >= 0x7B && c <= 0x7E);
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Reads 1 to maxDigits digits at pos; the digits must not be followed by another digit.
bool readNumber(std::u16string_view token, std::size_t& pos, std::size_t minDigits,
                std::size_t maxDigits, int& number) {
  const std::size_t start = pos;
  number = 0;
  while (pos < token.size() && isDigit(token[pos]) && pos - start < maxDigits) {
    number = number * 10 + (token[pos] - u'0');
    ++pos;
  }
  const std::size_t digits = pos - start;
  return digits >= minDigits && (pos >= token.size() || !isDigit(token[pos]));
}

struct TimeOfDay {
  int hour = 0;
  int minute = 0;
  int second = 0;
};

bool readTime(std::u16string_view token, TimeOfDay& time) {
  std::size_t pos = 0;
  if (!readNumber(token, pos, 1, 2, time.hour) || pos >= token.size() || token[pos] != u':') {
    return false;
  }
  ++pos;
  if (!readNumber(token, pos, 1, 2, time.minute) || pos >= token.size() || token[pos] != u':') {
    return false;
  }
  ++pos;
  return readNumber(token, pos, 1, 2, time.second);
}

bool readMonth(std::u16string_view token, unsigned& month) {
  static constexpr std::array<std::u16string_view, 12> kMonths{u"jan", u"feb", u"mar", u"apr",
                                                               u"may", u"jun", u"jul", u"aug",
                                                               u"sep", u"oct", u"nov", u"dec"};
  if (token.size() < 3) return false;
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (equalsIgnoreCase(token.substr(0, 3), kMonths.at(i))) {
      month = static_cast<unsigned>(i + 1);
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<Cookie::Time> parseCookieDate(std::u16string_view text) {
  std::optional<TimeOfDay> time;
  std::optional<int> dayOfMonth;
  std::optional<unsigned> month;
  std::optional<int> year;

  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && isDelimiter(text[pos])) ++pos;
    const std::size_t start = pos;
    while (pos < text.size() && !isDelimiter(text[pos])) ++pos;
    const std::u16string_view token = text.substr(start, pos - start);
    if (token.empty()) continue;

    TimeOfDay tokenTime;
    int number = 0;
    unsigned tokenMonth = 0;
    std::size_t numberEnd = 0;
    if (!time && readTime(token, tokenTime)) {
      time = tokenTime;
    } else if (!dayOfMonth && readNumber(token, numberEnd, 1, 2, number)) {
      dayOfMonth = number;
    } else if (!month && readMonth(token, tokenMonth)) {
      month = tokenMonth;
    } else if (numberEnd = 0; !year && readNumber(token, numberEnd, 2, 4, number)) {
      year = number;
    }
  }
  if (!time || !dayOfMonth || !month || !year) return std::nullopt;

  int fullYear = *year;
  if (fullYear >= 70 && fullYear <= 99) fullYear += 1900;
  if (fullYear >= 0 && fullYear <= 69) fullYear += 2000;
  if (fullYear < 1601 || time->hour > 23 || time->minute > 59 || time->second > 59) {
    return std::nullopt;
  }
  const std::chrono::year_month_day date{std::chrono::year{fullYear}, std::chrono::month{*month},
                                         std::chrono::day{static_cast<unsigned>(*dayOfMonth)}};
  if (!date.ok()) return std::nullopt;
  return std::chrono::sys_days{date} + std::chrono::hours{time->hour} +
         std::chrono::minutes{time->minute} + std::chrono::seconds{time->second};
}

}  // namespace http
