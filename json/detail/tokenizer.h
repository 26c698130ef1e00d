#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "json/detail/text_buffer.h"
#include "json/json_ref.h"
#include "json/types.h"

namespace json::detail {

enum class ParseState : std::uint8_t {
  EatWs,
  Start,
  Finish,
  Null,
  CommentStart,
  Comment,
  CommentEol,
  CommentEnd,
  String,
  StringEscape,
  Identifier,
  EscapeUnicode,
  EscapeHexadecimal,
  Boolean,
  Number,
  Array,
  ArrayAdd,
  ArraySep,
  ObjectFieldStart,
  ObjectField,
  ObjectUnquotedField,
  ObjectFieldEnd,
  ObjectValue,
  ObjectValueAdd,
  ObjectSep,
  EvalProperty,
  EvalArray,
  EvalMethod,
  ParamValue,
  ParamPut,
  MethodValue,
  MethodPut,
};

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
  int indexCounter = 0;               // bracketed index expressions of a path being parsed
  bool endTaken = false;              // the terminating NUL was consumed (inside a comment, say)
  std::size_t valuesLeft = SIZE_MAX;  // values the parse may still make

  ParseLevel& level() { return levels[static_cast<std::size_t>(depth)]; }
};

struct ParseArguments {
  bool strict = false;
  JsonRef self;  // the context value of a path evaluation
  FindOptions options;
  JsonRef put;
  JsonType dt = JsonType::Null;
};

// What a state's handler did with the code unit it was given.
enum class Step { Consume, Redispatch, Stop };

inline Step fail(Tokenizer& t, ParseError error) {
  t.error = error;
  return Step::Stop;
}

// Takes one value from the parse's allowance; false when none is left.
inline bool countValue(Tokenizer& t) {
  if (t.valuesLeft == 0) return false;
  --t.valuesLeft;
  return true;
}

// Leaves returnState on this level and hands the same code unit to a fresh level below.
inline Step descend(Tokenizer& t, ParseState returnState) {
  t.level().state = returnState;
  ++t.depth;
  t.level().reset();
  return Step::Redispatch;
}

}  // namespace json::detail
