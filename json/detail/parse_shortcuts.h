#pragma once

#include <cstddef>
#include <string_view>

#include "json/detail/tokenizer.h"

namespace json::detail {

// Counts v into the tokenizer's line and column as the machine does.
inline void advanceColumn(Tokenizer& t, char16_t v) {
  if (v == u'\t') {
    t.col += 4;
  } else if (v == u'\n') {
    ++t.line;
    t.col = 0;
  } else {
    ++t.col;
  }
}

// Takes, from t.offset on and below limit, a run of units that the machine would handle one
// by one, with the same result: whitespace, the plain text of a string, a number, a member
// name; in a document (not a path) also separators and whole scalar values. False when
// nothing could be taken, so that the machine handles the next unit.
bool takeRun(Tokenizer& t, std::u16string_view text, std::size_t limit, bool document);

}  // namespace json::detail
