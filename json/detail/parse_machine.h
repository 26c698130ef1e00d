#pragma once

#include "json/detail/tokenizer.h"
#include "json/json_ref.h"

namespace json::detail {

// The parser's state machine: step() handles one code unit in the state of the current level
// and says whether it took the unit, wants it again in a new state, or stopped the parse.
class Machine {
 public:
  Machine(Tokenizer& tokenizer, const ParseArguments& arguments)
      : t_(tokenizer), args_(arguments) {}

  Step step(char16_t v);
  [[nodiscard]] bool evaluatesPath() const { return static_cast<bool>(args_.self); }

 private:
  ParseLevel& level() { return t_.level(); }
  Step fail(ParseError error) { return detail::fail(t_, error); }
  void complete(JsonRef value);

  // One handler for each group of states.
  Step whitespaceOrComment(ParseLevel& l, char16_t v);
  Step scalar(ParseLevel& l, char16_t v);
  Step array(ParseLevel& l, char16_t v);
  Step memberName(ParseLevel& l, char16_t v);
  Step memberValue(ParseLevel& l, char16_t v);
  Step path(ParseLevel& l, char16_t v);

  Step start(char16_t v);
  Step finish(ParseLevel& l);
  Step string(ParseLevel& l, char16_t v);
  Step literal(char16_t v);
  Step number(char16_t v);
  Step escape(char16_t v);
  Step escapeDigit(char16_t v, int digits);
  Step unquotedText(char16_t v);
  [[nodiscard]] bool endsUnquotedText(char16_t v) const;

  Tokenizer& t_;
  const ParseArguments& args_;
  JsonRef finished_;  // the value the level above takes when a level finishes
};

}  // namespace json::detail
