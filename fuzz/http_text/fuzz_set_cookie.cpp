// Feeds arbitrary Set-Cookie values into a cookie store and asks it for a Cookie line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "http/cookie_jar.h"
#include "http/cookies/cookie_date.h"
#include "http/transport/utf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = http::fromUtf8({reinterpret_cast<const char*>(data), size});
  const http::Cookie::Time now =
      std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + std::chrono::hours{12};
  http::CookieJar jar([now] { return now; });
  const http::Uri target(u"http://www.example.test/api/state");
  // Several values, one per line, as several Set-Cookie lines of one reply.
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    jar.addServerCookie(std::u16string_view(text).substr(start, end - start), target);
    start = end + 1;
  }
  (void)jar.generateClientCookies(target, false);
  (void)jar.generateClientCookies(http::Uri(u"https://example.test/"), true);
  (void)http::parseCookieDate(text);
  return 0;
}
