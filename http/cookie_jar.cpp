#include "http/cookie_jar.h"

#include <algorithm>
#include <utility>

#include "http/base/ascii_text.h"
#include "http/cookies/cookie_rules.h"

namespace http {
namespace {

bool sameIdentity(const Cookie& a, const Cookie& b) {
  return equalsIgnoreCase(a.cookieName, b.cookieName) && equalsIgnoreCase(a.domain, b.domain) &&
         equalsIgnoreCase(a.path, b.path);
}

bool hostMatches(const Cookie& cookie, std::u16string_view host) {
  return cookie.hostOnly ? equalsIgnoreCase(host, cookie.domain)
                         : cookieDomainMatches(host, cookie.domain);
}

// The whole path of the request, document included, so that a cookie whose path names the
// document itself is sent there too.
std::u16string requestPath(const Uri& target) {
  std::u16string path = target.path() + target.document();
  if (!path.starts_with(u'/')) path.insert(0, 1, u'/');
  return path;
}

}  // namespace

CookieJar::CookieJar(Clock clock) : clock_(std::move(clock)) {}

Cookie::Time CookieJar::now() const {
  if (clock_) return clock_();
  return std::chrono::time_point_cast<std::chrono::milliseconds>(std::chrono::system_clock::now());
}

void CookieJar::setOnNewCookie(NewCookieCallback callback) {
  const std::unique_lock lock(mutex_);
  onNewCookie_ = std::move(callback);
}

void CookieJar::addServerCookies(std::span<const std::u16string> setCookieValues,
                                 const Uri& target) {
  for (const std::u16string& value : setCookieValues) addServerCookie(value, target);
}

void CookieJar::addServerCookie(std::u16string_view setCookieValue, const Uri& target) {
  // Name, value and attributes together; each character of a header stands for one byte.
  if (setCookieValue.size() > kMaxCookieBytes) return;
  const Cookie::Time time = now();
  std::optional<Cookie> cookie =
      parseSetCookie(setCookieValue, {target.protocol(), target.host(), target.path()}, time);
  if (!cookie) return;
  NewCookieCallback callback;
  {
    const std::shared_lock lock(mutex_);
    callback = onNewCookie_;
  }
  // Called without the lock, so that the callback may look into the jar.
  if (callback && !callback(*cookie)) return;
  store(std::move(*cookie), target, time);
}

void CookieJar::store(Cookie cookie, const Uri& target, Cookie::Time now) {
  const std::unique_lock lock(mutex_);
  const auto old = std::find_if(cookies_.begin(), cookies_.end(),
                                [&](const Cookie& stored) { return sameIdentity(stored, cookie); });
  if (old != cookies_.end()) {
    if (old->httpOnly && !isHttpProtocol(target.protocol())) return;
    cookie.createdAt = old->createdAt;
    cookies_.erase(old);
  }
  if (cookie.isExpired(now)) return;
  const std::u16string domain = cookie.domain;
  cookies_.push_back(std::move(cookie));
  dropPastBounds(domain, now);
}

void CookieJar::dropPastBounds(const std::u16string& domain, Cookie::Time now) {
  // Among cookies used equally recently, the one stored first goes.
  const auto lessRecentlyUsed = [](const Cookie& a, const Cookie& b) {
    return a.lastAccessed < b.lastAccessed;
  };
  const auto inDomain = [&](const Cookie& cookie) {
    return equalsIgnoreCase(cookie.domain, domain);
  };
  if (std::cmp_greater(std::count_if(cookies_.begin(), cookies_.end(), inDomain),
                       kMaxCookiesPerDomain)) {
    auto oldest = cookies_.end();
    for (auto it = cookies_.begin(); it != cookies_.end(); ++it) {
      if (inDomain(*it) && (oldest == cookies_.end() || lessRecentlyUsed(*it, *oldest))) {
        oldest = it;
      }
    }
    cookies_.erase(oldest);
  }
  if (cookies_.size() > kMaxCookies) {
    std::erase_if(cookies_, [&](const Cookie& cookie) { return cookie.isExpired(now); });
  }
  if (cookies_.size() > kMaxCookies) {
    cookies_.erase(std::min_element(cookies_.begin(), cookies_.end(), lessRecentlyUsed));
  }
}

std::u16string CookieJar::generateClientCookies(const Uri& target, bool secureOnly) {
  const Cookie::Time time = now();
  const std::u16string path = requestPath(target);
  const bool httpTarget = isHttpProtocol(target.protocol());

  // One write lock for the whole step: sending a cookie updates its LastAccessed.
  const std::unique_lock lock(mutex_);
  std::erase_if(cookies_, [&](const Cookie& cookie) { return cookie.isExpired(time); });

  std::vector<Cookie*> selected;
  for (Cookie& cookie : cookies_) {
    if (hostMatches(cookie, target.host()) && cookiePathMatches(path, cookie.path) &&
        (!cookie.secure || secureOnly) && (!cookie.httpOnly || httpTarget)) {
      selected.push_back(&cookie);
    }
  }
  std::stable_sort(selected.begin(), selected.end(), [](const Cookie* a, const Cookie* b) {
    if (a->path.size() != b->path.size()) return a->path.size() > b->path.size();
    return a->createdAt < b->createdAt;
  });

  std::u16string line;
  for (Cookie* cookie : selected) {
    cookie->lastAccessed = time;
    if (!line.empty()) line += u"; ";
    line += cookie->clientCookie();
  }
  return line;
}

std::vector<Cookie> CookieJar::cookies() const {
  const std::shared_lock lock(mutex_);
  return cookies_;
}

std::size_t CookieJar::count() const {
  const std::shared_lock lock(mutex_);
  return cookies_.size();
}

void CookieJar::clear() {
  const std::unique_lock lock(mutex_);
  cookies_.clear();
}

}  // namespace http
