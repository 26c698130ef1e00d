#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Small text helpers for protocol text (header names and values, status lines).
// Letter case is folded for ASCII letters only, as HTTP compares tokens.
namespace http::ascii {

[[nodiscard]] char16_t toLower(char16_t c);
[[nodiscard]] std::u16string toLower(std::u16string_view text);
[[nodiscard]] bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b);
[[nodiscard]] bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
[[nodiscard]] bool endsWithIgnoreCase(std::u16string_view text, std::u16string_view suffix);
[[nodiscard]] bool containsIgnoreCase(std::u16string_view text, std::u16string_view part);

// Removes blanks and control characters (code <= 32) from both ends.
[[nodiscard]] std::u16string_view trim(std::u16string_view text);
[[nodiscard]] std::u16string_view trimLeft(std::u16string_view text);

// A decimal integer with an optional sign and surrounding blanks; nullopt when the text is not
// one or does not fit.
[[nodiscard]] std::optional<std::int64_t> parseInt64(std::u16string_view text);
// A hexadecimal number (no prefix); nullopt when the text is not one or passes INT64_MAX.
[[nodiscard]] std::optional<std::int64_t> parseHex64(std::u16string_view text);

[[nodiscard]] std::u16string fromNumber(std::int64_t value);

}  // namespace http::ascii
