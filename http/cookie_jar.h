#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "http/cookies/cookie.h"
#include "http/uri.h"

namespace http {

// The cookies that servers set for one client, handed back on later requests. Safe to use
// from several threads. The store is bounded: past kMaxCookiesPerDomain cookies of one domain,
// or kMaxCookies in all, the least recently used one goes; a Set-Cookie value longer than
// kMaxCookieBytes is ignored.
class CookieJar {
 public:
  static constexpr std::size_t kMaxCookiesPerDomain = 50;
  static constexpr std::size_t kMaxCookies = 3000;
  static constexpr std::size_t kMaxCookieBytes = 4096;

  using Clock = std::function<Cookie::Time()>;
  // Answers false to refuse a parsed cookie.
  using NewCookieCallback = std::function<bool(const Cookie&)>;

  // The clock defaults to the system clock.
  explicit CookieJar(Clock clock = {});

  // Stores the cookies of a reply's Set-Cookie values, received for target. A cookie replaces
  // a stored one of the same name, domain and path; one that has already expired only deletes.
  void addServerCookies(std::span<const std::u16string> setCookieValues, const Uri& target);
  void addServerCookie(std::u16string_view setCookieValue, const Uri& target);

  // Drops expired cookies, then gives the value of the Cookie line for a request to target:
  // the matching cookies' "name=value", longest path first, joined by "; ". Empty when nothing
  // matches (then no Cookie line is sent). Secure cookies only go out when secureOnly is true.
  [[nodiscard]] std::u16string generateClientCookies(const Uri& target, bool secureOnly);

  void setOnNewCookie(NewCookieCallback callback);

  // A copy of the stored cookies, in the order they were stored.
  [[nodiscard]] std::vector<Cookie> cookies() const;
  [[nodiscard]] std::size_t count() const;
  void clear();

 private:
  [[nodiscard]] Cookie::Time now() const;
  void store(Cookie cookie, const Uri& target, Cookie::Time now);
  // Drops the least recently used cookies past the bounds; called with the lock held.
  void dropPastBounds(const std::u16string& domain, Cookie::Time now);

  Clock clock_;
  mutable std::shared_mutex mutex_;
  NewCookieCallback onNewCookie_;
  std::vector<Cookie> cookies_;
};

}  // namespace http
