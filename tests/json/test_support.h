#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "json/detail/parse_run.h"
#include "json/json.h"
#include "text/utf8_codec.h"

namespace json {

using text::utf16ToUtf8;

// Readable failure messages for UTF-16 text in assertions.
inline void PrintTo(const std::u16string& text, std::ostream* out) {
  *out << '"' << utf16ToUtf8(text) << '"';
}

struct ParseOutcome {
  JsonRef value;
  ParseError error;
  std::size_t offset;
};

inline ParseOutcome parseWithError(std::u16string_view text, bool strict = false) {
  detail::Tokenizer tokenizer;
  detail::ParseArguments arguments;
  arguments.strict = strict;
  JsonRef value = detail::runParser(tokenizer, text, -1, arguments);
  return {value, tokenizer.error, tokenizer.offset};
}

// Parse and write again with escaping, as the program writes documents back.
inline std::u16string rewrite(std::u16string_view text) {
  return parseDocument(text).asJson(false, true);
}

}  // namespace json
