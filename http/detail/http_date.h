#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace http::detail {

// HTTP dates (RFC 9110): seconds since the Unix epoch <-> "Sun, 06 Nov 1994 08:49:37 GMT".
[[nodiscard]] std::u16string formatHttpDate(std::int64_t secondsSinceEpoch);
// Reads the preferred form and the two obsolete ones (RFC 850, asctime); 0 when unreadable.
[[nodiscard]] std::int64_t parseHttpDate(std::u16string_view text);

}  // namespace http::detail
