#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/base/ascii_text.h"

// Number and text helpers for header values and status lines.
namespace http::detail {

[[nodiscard]] bool containsIgnoreCase(std::u16string_view text, std::u16string_view part);
// Removes blanks and control characters (code <= 32) from the start only.
[[nodiscard]] std::u16string_view trimLeftView(std::u16string_view text);

// A decimal integer with an optional sign and surrounding blanks; nullopt when the text is not
// one or does not fit.
[[nodiscard]] std::optional<std::int64_t> parseInt64(std::u16string_view text);
// A hexadecimal number without prefix or blanks; nullopt when the text is not one or passes
// INT64_MAX.
[[nodiscard]] std::optional<std::int64_t> parseHex64(std::u16string_view text);
[[nodiscard]] bool isHexDigits(std::u16string_view text);

[[nodiscard]] std::u16string decimalText(std::int64_t value);

}  // namespace http::detail
