#pragma once

#include <string>
#include <string_view>

#include "json/json_ref.h"

namespace json {

// Lenient whole-document parse: no value only for text the lenient grammar rejects.
JsonRef parseDocument(std::u16string_view text);
// The same for UTF-8 bytes, as parseDocument(text::utf8ToUtf16(utf8)) but without holding
// the whole UTF-16 text.
JsonRef parseDocument(std::string_view utf8);

}  // namespace json
