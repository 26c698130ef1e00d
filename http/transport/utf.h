#pragma once

#include <string>
#include <string_view>

namespace http {

// UTF-16 <-> UTF-8 at the library's edges. Unpaired surrogates and malformed UTF-8 become
// U+FFFD; nothing is dropped silently.
std::string toUtf8(std::u16string_view text);
std::u16string fromUtf8(std::string_view bytes);

// Strict check: true when bytes are well-formed UTF-8 (no overlongs, no surrogates).
bool isValidUtf8(std::string_view bytes);

// Latin-1 style widening for ASCII literals and byte-per-character text.
std::u16string fromAscii(std::string_view text);

}  // namespace http
