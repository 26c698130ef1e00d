#pragma once

#include <chrono>
#include <string>

namespace http {

// One cookie as a server set it.
struct Cookie {
  // Milliseconds on the system clock; wide enough for the years 0001 to 9999.
  using Time = std::chrono::sys_time<std::chrono::milliseconds>;

  // The expiry of a cookie that Max-Age or Expires has already ended.
  static constexpr Time kExpiredTime =
      std::chrono::sys_days{std::chrono::year{1} / std::chrono::January / 1};
  // The expiry of a session cookie: 9999-12-31 23:59:59.999.
  static constexpr Time kSessionEndTime =
      std::chrono::sys_days{std::chrono::year{9999} / std::chrono::December / 31} +
      std::chrono::hours{23} + std::chrono::minutes{59} + std::chrono::seconds{59} +
      std::chrono::milliseconds{999};

  std::u16string cookieName;
  std::u16string value;
  // Lower-cased domain, or the target host as given for a host-only cookie.
  std::u16string domain;
  bool hostOnly = false;
  std::u16string path;
  Time expires = kSessionEndTime;
  bool persistent = false;
  bool secure = false;
  bool httpOnly = false;
  Time createdAt{};
  Time lastAccessed{};

  [[nodiscard]] bool isExpired(Time now) const noexcept { return expires < now; }
  // "name=value", as the Cookie request line carries it.
  [[nodiscard]] std::u16string clientCookie() const { return cookieName + u'=' + value; }
};

}  // namespace http
