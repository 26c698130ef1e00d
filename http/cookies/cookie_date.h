#pragma once

#include <optional>
#include <string_view>

#include "http/cookies/cookie.h"

namespace http {

// Reads a cookie date (always GMT) with the lenient algorithm of RFC 6265, which accepts the
// RFC 1123 form as well as the older RFC 850 and asctime forms and their common variants.
// Nothing when the text holds no complete, valid date from the year 1601 on.
[[nodiscard]] std::optional<Cookie::Time> parseCookieDate(std::u16string_view text);

}  // namespace http
