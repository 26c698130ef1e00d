#pragma once

#include <string>
#include <string_view>

namespace http {

// ISO/IEC 8859-16 (Latin-10), which ICU's data leaves out. Bytes below A0 are the characters
// of the same number; a character the set lacks is written as "?".
[[nodiscard]] std::u16string decodeLatin10(std::string_view bytes);
[[nodiscard]] std::string encodeLatin10(std::u16string_view text);

}  // namespace http
