#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "http/cookies/cookie.h"

namespace http {

// Where a reply came from, as far as the cookie rules look at it.
struct CookieOrigin {
  std::u16string_view protocol;
  std::u16string_view host;
  std::u16string_view path;
};

// Parses one Set-Cookie value received from origin. Nothing when the value carries no name, or
// when the cookie may not be set from there (a domain the host does not belong to, an http-only
// cookie over a protocol other than http or https).
[[nodiscard]] std::optional<Cookie> parseSetCookie(std::u16string_view setCookie,
                                                   const CookieOrigin& origin, Cookie::Time now);

// True when host is domain or lies below it; an IP address matches only itself.
[[nodiscard]] bool cookieDomainMatches(std::u16string_view host, std::u16string_view domain);
// True when requestPath is cookiePath or lies below it.
[[nodiscard]] bool cookiePathMatches(std::u16string_view requestPath,
                                     std::u16string_view cookiePath);
// The path a cookie gets when its Set-Cookie names none: the directory of the request's path
// without its final "/", or "/".
[[nodiscard]] std::u16string defaultCookiePath(std::u16string_view path);
// True for "http" and "https", the protocols that may see http-only cookies.
[[nodiscard]] bool isHttpProtocol(std::u16string_view protocol);

}  // namespace http
