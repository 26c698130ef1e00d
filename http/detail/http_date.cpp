#include "http/detail/http_date.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <vector>

#include "http/detail/protocol_text.h"

namespace http::detail {

namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int monthIndex(std::u16string_view name) {
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    const std::string_view month = kMonths[i];
    if (equalsIgnoreCase(name, std::u16string(month.begin(), month.end()))) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::vector<std::u16string_view> splitWords(std::u16string_view text) {
  std::vector<std::u16string_view> words;
  std::size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == u' ' || text[i] == u',' || text[i] == u'-')) ++i;
    const std::size_t start = i;
    while (i < text.size() && text[i] != u' ' && text[i] != u',' && text[i] != u'-') ++i;
    if (i > start) words.push_back(text.substr(start, i - start));
  }
  return words;
}

bool parseClock(std::u16string_view text, int& hour, int& minute, int& second) {
  if (text.size() != 8 || text[2] != u':' || text[5] != u':') return false;
  const auto h = parseInt64(text.substr(0, 2));
  const auto m = parseInt64(text.substr(3, 2));
  const auto s = parseInt64(text.substr(6, 2));
  if (!h || !m || !s || *h > 23 || *m > 59 || *s > 60) return false;
  hour = static_cast<int>(*h);
  minute = static_cast<int>(*m);
  second = static_cast<int>(*s);
  return true;
}

}  // namespace

std::u16string formatHttpDate(std::int64_t secondsSinceEpoch) {
  using namespace std::chrono;
  const sys_seconds moment{seconds{secondsSinceEpoch}};
  const sys_days day = floor<days>(moment);
  const year_month_day ymd{day};
  const hh_mm_ss clock{moment - day};
  const weekday wd{day};
  std::array<char, 64> buffer{};
  const int length = std::snprintf(
      buffer.data(), buffer.size(), "%s, %02u %s %04d %02d:%02d:%02d GMT", kDays[wd.c_encoding()],
      static_cast<unsigned>(ymd.day()), kMonths[static_cast<unsigned>(ymd.month()) - 1],
      static_cast<int>(ymd.year()), static_cast<int>(clock.hours().count()),
      static_cast<int>(clock.minutes().count()), static_cast<int>(clock.seconds().count()));
  return {buffer.data(), buffer.data() + std::max(length, 0)};
}

std::int64_t parseHttpDate(std::u16string_view text) {
  const std::vector<std::u16string_view> words = splitWords(trimView(text));
  int dayOfMonth = 0;
  int month = -1;
  std::int64_t yearNumber = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (words.size() >= 5 && monthIndex(words[1]) >= 0) {
    // asctime: Sun Nov  6 08:49:37 1994
    month = monthIndex(words[1]);
    const auto d = parseInt64(words[2]);
    const auto y = parseInt64(words[4]);
    if (!d || !y || !parseClock(words[3], hour, minute, second)) return 0;
    dayOfMonth = static_cast<int>(*d);
    yearNumber = *y;
  } else if (words.size() >= 5) {
    // Sun, 06 Nov 1994 08:49:37 GMT  or  Sunday, 06-Nov-94 08:49:37 GMT
    month = monthIndex(words[2]);
    const auto d = parseInt64(words[1]);
    const auto y = parseInt64(words[3]);
    if (month < 0 || !d || !y || !parseClock(words[4], hour, minute, second)) return 0;
    dayOfMonth = static_cast<int>(*d);
    yearNumber = *y;
    if (words[3].size() == 2) yearNumber += yearNumber < 70 ? 2000 : 1900;
  } else {
    return 0;
  }
  if (dayOfMonth < 1 || dayOfMonth > 31 || yearNumber < 1601 || yearNumber > 9999) return 0;
  using namespace std::chrono;
  const year_month_day ymd{year{static_cast<int>(yearNumber)},
                           std::chrono::month{static_cast<unsigned>(month + 1)},
                           std::chrono::day{static_cast<unsigned>(dayOfMonth)}};
  if (!ymd.ok()) return 0;
  const sys_seconds moment = sys_days{ymd} + hours{hour} + minutes{minute} + seconds{second};
  return moment.time_since_epoch().count();
}

}  // namespace http::detail
