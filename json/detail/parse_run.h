#pragma once

#include <cstddef>
#include <string_view>

#include "json/detail/tokenizer.h"
#include "json/json_ref.h"

namespace json::detail {

// Runs the parser over text; the first NUL (or the end of the view) ends it. A length of 0 or
// more also stops it at that offset. Gives no value unless tokenizer.error ends as Success;
// tokenizer.offset is then where it stopped.
JsonRef runParser(Tokenizer& tokenizer, std::u16string_view text, std::ptrdiff_t length,
                  const ParseArguments& arguments);
// The same over UTF-8 bytes, decoded a piece at a time; their end is the end of the text.
JsonRef runParserUtf8(Tokenizer& tokenizer, std::string_view utf8, const ParseArguments& arguments);

// The number of UTF-8 bytes that the first units of text encode to (at most the whole text).
std::size_t utf8Offset(std::u16string_view text, std::size_t units);

}  // namespace json::detail
