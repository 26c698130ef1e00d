#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_ref.h"

namespace json {

// Lenient whole-document parse: no value only for text the lenient grammar rejects.
JsonRef parseDocument(std::u16string_view text);
// The same for UTF-8 bytes, as parseDocument(text::utf8ToUtf16(utf8)) but without holding
// the whole UTF-16 text.
JsonRef parseDocument(std::string_view utf8);

// Bounds on what one parse of untrusted text may build.
struct ParseLimits {
  // The most values (every object, array, string, number and literal counts one) the parse
  // may make; past it the parse gives no value. The default is no bound.
  std::size_t maxValues = SIZE_MAX;
};

// The lenient parse within limits: no value also where the text needs more than they allow.
JsonRef parseDocument(std::u16string_view text, const ParseLimits& limits);
JsonRef parseDocument(std::string_view utf8, const ParseLimits& limits);

}  // namespace json
