#pragma once

#include "json/detail/tokenizer.h"

namespace json::detail {

// The parser's handlers for a path, used only when a context value is given.

// The Identifier state: v is appended to the segment, or ends it and is looked up in the
// container reached so far.
Step pathSegmentEnd(Tokenizer& t, const ParseArguments& args, char16_t v);
// After '.' (type Object) or '[' (type Array): the value reached must be of that type, or
// is created where the options allow it.
Step pathContainer(Tokenizer& t, const ParseArguments& args, JsonType type);
// The first unit inside brackets: ']' leaves no index pending, anything else starts the index
// value one level deeper.
Step pathIndexStart(Tokenizer& t, char16_t v);
// The unit after the index value, which must be ']'.
Step pathIndexEnd(Tokenizer& t, JsonRef index, char16_t v);
// An integer at the top of a path over an array: value becomes the element it addresses
// (stored or removed as the options say). False, with the error set, for a negative index.
bool pathTopIndex(Tokenizer& t, const ParseArguments& args, JsonRef& value);

}  // namespace json::detail
