#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "json/json_ref.h"
#include "json/text_buffer.h"
#include "json/types.h"

namespace json {

struct ParseLevel {
  ParseState state = ParseState::EatWs;
  ParseState savedState = ParseState::Start;
  JsonRef pending;
  JsonRef current;
  std::u16string fieldName;
  JsonRef parent;
  JsonRef grandParent;

  void reset() {
    state = ParseState::EatWs;
    savedState = ParseState::Start;
    pending.reset();
    current.reset();
    fieldName.clear();
    parent.reset();
    grandParent.reset();
  }
};

// The working state of one parse.
struct Tokenizer {
  TextBuffer token;
  int depth = 0;
  int isDouble = 0;
  int fractionDigits = 0;
  int literalPos = 0;
  std::size_t offset = 0;
  ParseError error = ParseError::Success;
  char16_t escapeUnit = 0;
  char16_t quote = 0;
  std::array<ParseLevel, kMaxDepth> levels;
  int line = 1;
  int col = 0;
};

struct ParseArguments {
  bool strict = false;
  JsonRef self;  // the context value of a path evaluation
  FindOptions options;
  JsonRef put;
  JsonType dt = JsonType::Null;
};

// Runs the parser over text; the first NUL (or the end of the view) ends it. A length of 0 or
// more also stops it at that offset. Gives no value unless tokenizer.error ends as Success.
JsonRef runParser(Tokenizer& tokenizer, std::u16string_view text, std::ptrdiff_t length,
                  const ParseArguments& arguments);

}  // namespace json
