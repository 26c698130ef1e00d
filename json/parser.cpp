#include "json/parser.h"

#include <memory>

#include "json/detail/parse_run.h"
#include "json/detail/tokenizer.h"
#include "json/json_value.h"

namespace json {

JsonRef JsonValue::parseText(std::u16string_view text, bool strict, bool partial,
                             const JsonRef& self, FindOptions options, const JsonRef& put,
                             JsonType dt) {
  auto tokenizer = std::make_unique<detail::Tokenizer>();
  const detail::ParseArguments arguments{strict, self, options, put, dt};
  JsonRef result = detail::runParser(*tokenizer, text, -1, arguments);
  // A stop at the first NUL, or past it, is the end of the text.
  if (!partial && !tokenizer->endTaken && tokenizer->offset < text.size() &&
      text[tokenizer->offset] != 0) {
    return {};
  }
  return result;
}

JsonRef parseDocument(std::u16string_view text) { return JsonValue::parseText(text, false, true); }

JsonRef parseDocument(std::string_view utf8) { return parseDocument(utf8, ParseLimits{}); }

JsonRef parseDocument(std::u16string_view text, const ParseLimits& limits) {
  return parseDocumentWithError(text, limits).value;
}

JsonRef parseDocument(std::string_view utf8, const ParseLimits& limits) {
  auto tokenizer = std::make_unique<detail::Tokenizer>();
  tokenizer->valuesLeft = limits.maxValues;
  return detail::runParserUtf8(*tokenizer, utf8, {});
}

ParseResult parseDocumentWithError(std::u16string_view text, const ParseLimits& limits) {
  auto tokenizer = std::make_unique<detail::Tokenizer>();
  tokenizer->valuesLeft = limits.maxValues;
  ParseResult result;
  result.value = detail::runParser(*tokenizer, text, -1, {});
  result.error = tokenizer->error;
  // Counting bytes costs a pass over the text, so only a failure pays for it.
  if (!result.value) result.offset = detail::utf8Offset(text, tokenizer->offset);
  return result;
}

std::string_view parseErrorText(ParseError error) {
  switch (error) {
    case ParseError::Success:
      return "no error";
    case ParseError::Continue:
      return "the text stops inside a value";
    case ParseError::Depth:
      return "nested deeper than 32 levels";
    case ParseError::ParseEof:
      return "unexpected end of text";
    case ParseError::ParseArray:
      return "',' or ']' expected";
    case ParseError::ParseObjectKeyName:
      return "member name expected";
    case ParseError::ParseObjectKeySep:
      return "':' expected";
    case ParseError::ParseObjectValueSep:
      return "',' or '}' expected";
    case ParseError::ParseString:
      return "a \\u or \\x escape without hex digits, or unquoted text in a strict parse";
    case ParseError::ParseComment:
      return "'/' starts no comment";
    case ParseError::EvalObject:
      return "the path leads through something that is no object";
    case ParseError::EvalArray:
      return "the path indexes something that is no array";
    case ParseError::EvalMethod:
      return "the path calls a method";
    case ParseError::EvalInt:
      return "the path's index is no whole number of 0 or more";
    case ParseError::ValueLimit:
      return "more values than the parse allows";
    case ParseError::ParseUnexpected:
    case ParseError::ParseNull:
    case ParseError::ParseBoolean:
    case ParseError::ParseNumber:
      break;
  }
  return "unexpected character";
}

}  // namespace json
