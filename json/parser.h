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

// What a lenient parse gave, and why and where it failed.
struct ParseResult {
  JsonRef value;  // no value when the parse failed
  ParseError error = ParseError::Success;
  // Where a failed parse stopped: the byte, counted in the text's UTF-8 form, of the code unit
  // it could not take, or the text's length when the text ended too soon. 0 after a success.
  std::size_t offset = 0;
};

// The lenient parse within limits, as parseDocument(text, limits), that also says why and
// where it failed.
ParseResult parseDocumentWithError(std::u16string_view text, const ParseLimits& limits = {});

// Why a parse failed, in a few words: "unexpected end of text".
std::string_view parseErrorText(ParseError error);

}  // namespace json
