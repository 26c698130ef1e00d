#include "http/cookies/cookie_rules.h"

#include <arpa/inet.h>

#include <array>
#include <limits>

#include "http/base/ascii_text.h"
#include "http/cookies/cookie_date.h"

namespace http {
namespace {

bool isIpAddress(std::u16string_view host) {
  if (host.find(u':') != std::u16string_view::npos) return true;  // IPv6 literal
  std::string ascii;
  for (const char16_t c : host) {
    if (c > 0x7F) return false;
    ascii.push_back(static_cast<char>(c));
  }
  std::array<unsigned char, 4> address{};
  return inet_pton(AF_INET, ascii.c_str(), address.data()) == 1;
}

// A whole number of seconds, optionally signed; values past the range of the type saturate.
std::optional<std::int64_t> parseSeconds(std::u16string_view text) {
  std::size_t pos = 0;
  bool negative = false;
  if (pos < text.size() && (text[pos] == u'-' || text[pos] == u'+')) {
    negative = text[pos] == u'-';
    ++pos;
  }
  if (pos >= text.size()) return std::nullopt;
  constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max() / 10 - 10;
  std::int64_t seconds = 0;
  for (; pos < text.size(); ++pos) {
    if (text[pos] < u'0' || text[pos] > u'9') return std::nullopt;
    if (seconds < kLimit) seconds = seconds * 10 + (text[pos] - u'0');
  }
  return negative ? -seconds : seconds;
}

// The expiry for a lifetime of seconds from now; none or a negative one has already expired.
Cookie::Time expiryAfter(std::int64_t seconds, Cookie::Time now) {
  if (seconds <= 0) return Cookie::kExpiredTime;
  const auto remaining =
      std::chrono::duration_cast<std::chrono::seconds>(Cookie::kSessionEndTime - now).count();
  if (seconds >= remaining) return Cookie::kSessionEndTime;
  return now + std::chrono::seconds{seconds};
}

// An attribute value; one that begins with a double quote runs to the next double quote.
std::u16string_view attributeValue(std::u16string_view raw) {
  raw = trimView(raw);
  if (!raw.starts_with(u'"')) return raw;
  raw.remove_prefix(1);
  return raw.substr(0, raw.find(u'"'));
}

struct Attributes {
  std::optional<std::u16string_view> maxAge;
  std::optional<std::u16string_view> expires;
  std::optional<std::u16string_view> domain;
  std::optional<std::u16string_view> path;
  bool secure = false;
  bool httpOnly = false;
};

// Reads the "; name=value" attributes; the last occurrence of each counts.
Attributes parseAttributes(std::u16string_view text) {
  Attributes attributes;
  while (!text.empty()) {
    const std::size_t semicolon = text.find(u';');
    const std::u16string_view item = text.substr(0, semicolon);
    text =
        semicolon == std::u16string_view::npos ? std::u16string_view{} : text.substr(semicolon + 1);
    const std::size_t equals = item.find(u'=');
    const std::u16string_view name = trimView(item.substr(0, equals));
    const std::u16string_view value = equals == std::u16string_view::npos
                                          ? std::u16string_view{}
                                          : attributeValue(item.substr(equals + 1));
    if (equalsIgnoreCase(name, u"Max-Age")) {
      attributes.maxAge = value;
    } else if (equalsIgnoreCase(name, u"Expires")) {
      attributes.expires = value;
    } else if (equalsIgnoreCase(name, u"Domain")) {
      attributes.domain = value;
    } else if (equalsIgnoreCase(name, u"Path")) {
      attributes.path = value;
    } else if (equalsIgnoreCase(name, u"Secure")) {
      attributes.secure = true;
    } else if (equalsIgnoreCase(name, u"HttpOnly")) {
      attributes.httpOnly = true;
    }
  }
  return attributes;
}

std::optional<Cookie::Time> expiresAt(std::u16string_view value, Cookie::Time now) {
  if (const std::optional<std::int64_t> seconds = parseSeconds(value)) {
    return expiryAfter(*seconds, now);
  }
  return parseCookieDate(value);
}

}  // namespace

bool isHttpProtocol(std::u16string_view protocol) {
  return equalsIgnoreCase(protocol, u"http") || equalsIgnoreCase(protocol, u"https");
}

bool cookieDomainMatches(std::u16string_view host, std::u16string_view domain) {
  if (host.empty() || domain.empty()) return false;
  if (equalsIgnoreCase(host, domain)) return true;
  return host.size() > domain.size() && endsWithIgnoreCase(host, domain) &&
         host[host.size() - domain.size() - 1] == u'.' && !isIpAddress(host);
}

bool cookiePathMatches(std::u16string_view requestPath, std::u16string_view cookiePath) {
  if (equalsIgnoreCase(requestPath, cookiePath)) return true;
  return startsWithIgnoreCase(requestPath, cookiePath) &&
         (cookiePath.ends_with(u'/') || requestPath[cookiePath.size()] == u'/');
}

std::u16string defaultCookiePath(std::u16string_view path) {
  if (!path.starts_with(u'/')) return u"/";
  const std::size_t lastSlash = path.rfind(u'/');
  if (lastSlash == 0) return u"/";
  return std::u16string(path.substr(0, lastSlash));
}

std::optional<Cookie> parseSetCookie(std::u16string_view setCookie, const CookieOrigin& origin,
                                     Cookie::Time now) {
  const std::size_t semicolon = setCookie.find(u';');
  const std::u16string_view pair = setCookie.substr(0, semicolon);
  const std::size_t equals = pair.find(u'=');
  if (equals == std::u16string_view::npos) return std::nullopt;
  Cookie cookie;
  cookie.cookieName = trim(pair.substr(0, equals));
  if (cookie.cookieName.empty()) return std::nullopt;
  cookie.value = trim(pair.substr(equals + 1));

  const Attributes attributes =
      parseAttributes(semicolon == std::u16string_view::npos ? std::u16string_view{}
                                                             : setCookie.substr(semicolon + 1));

  std::optional<Cookie::Time> expiry;
  if (attributes.maxAge) {
    if (const std::optional<std::int64_t> seconds = parseSeconds(*attributes.maxAge)) {
      expiry = expiryAfter(*seconds, now);
    }
  }
  if (!expiry && attributes.expires) expiry = expiresAt(*attributes.expires, now);
  cookie.persistent = expiry.has_value();
  cookie.expires = expiry.value_or(Cookie::kSessionEndTime);

  std::u16string_view domain = attributes.domain.value_or(std::u16string_view{});
  if (domain.starts_with(u'.')) domain.remove_prefix(1);
  if (domain.empty()) {
    cookie.hostOnly = true;
    cookie.domain = origin.host;
  } else {
    cookie.domain = toLowerAscii(domain);
    if (!cookieDomainMatches(origin.host, cookie.domain)) return std::nullopt;
  }

  const std::u16string_view path = attributes.path.value_or(std::u16string_view{});
  cookie.path = path.starts_with(u'/') ? std::u16string(path) : defaultCookiePath(origin.path);

  cookie.secure = attributes.secure;
  cookie.httpOnly = attributes.httpOnly;
  if (cookie.httpOnly && !isHttpProtocol(origin.protocol)) return std::nullopt;

  cookie.createdAt = now;
  cookie.lastAccessed = now;
  return cookie;
}

}  // namespace http
