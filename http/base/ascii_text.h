#pragma once

#include <string>
#include <string_view>

namespace http {

// Text helpers for protocol words (schemes, header and cookie names, host names): case folding
// touches only the ASCII letters, so the result never depends on a locale.

[[nodiscard]] constexpr char16_t toLowerAscii(char16_t c) noexcept {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

[[nodiscard]] std::u16string toLowerAscii(std::u16string_view text);

[[nodiscard]] bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) noexcept;
[[nodiscard]] bool startsWithIgnoreCase(std::u16string_view text,
                                        std::u16string_view prefix) noexcept;
[[nodiscard]] bool endsWithIgnoreCase(std::u16string_view text,
                                      std::u16string_view suffix) noexcept;

// Removes control characters and blanks (everything up to U+0020) from both ends.
[[nodiscard]] std::u16string_view trimView(std::u16string_view text) noexcept;
[[nodiscard]] inline std::u16string trim(std::u16string_view text) {
  return std::u16string(trimView(text));
}

}  // namespace http
