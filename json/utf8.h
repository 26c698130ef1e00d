#pragma once

#include <string>
#include <string_view>

namespace json {

// Byte edges of the document text. Malformed UTF-8 and unpaired surrogates become U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace json
