#include "json/parser.h"

#include <algorithm>
#include <memory>

#include "json/detail/number_parse.h"
#include "json/detail/path_walk.h"
#include "json/detail/tokenizer.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"
#include "text/utf8_codec.h"

namespace json::detail {

namespace {

bool isWhitespace(char16_t v) {
  return v == 8 || v == u'\t' || v == u'\n' || v == 12 || v == u'\r' || v == u' ';
}

bool continuesLiteral(char16_t v) {
  return v == u'.' || v == u'_' || (v >= u'A' && v <= u'Z') || (v >= u'a' && v <= u'z') || v >= 256;
}

int hexDigit(char16_t v) {
  if (v >= u'0' && v <= u'9') return v - u'0';
  if ((v >= u'A' && v <= u'F') || (v >= u'a' && v <= u'f')) return (v & 7) + 9;
  return -1;
}

// The state machine: handles one code unit per call of step().
class Machine {
 public:
  Machine(Tokenizer& tokenizer, const ParseArguments& arguments)
      : t_(tokenizer), args_(arguments) {}

  Step step(char16_t v);
  [[nodiscard]] bool evaluatesPath() const { return static_cast<bool>(args_.self); }

 private:
  ParseLevel& level() { return t_.level(); }
  Step fail(ParseError error) { return detail::fail(t_, error); }
  void complete(JsonRef value) {
    ParseLevel& l = level();
    l.current = std::move(value);
    l.savedState = ParseState::Finish;
    l.state = ParseState::EatWs;
  }
  Step descend(ParseState returnState) { return detail::descend(t_, returnState); }

  Step start(char16_t v);
  Step literal(char16_t v);
  Step number(char16_t v);
  Step escape(char16_t v);
  Step escapeDigit(char16_t v, int digits);
  Step unquotedText(char16_t v);

  Tokenizer& t_;
  const ParseArguments& args_;
  JsonRef finished_;  // the value the level above takes when a level finishes
};

Step Machine::step(char16_t v) {
  ParseLevel& l = level();
  switch (l.state) {
    case ParseState::EatWs:
      if (isWhitespace(v)) return Step::Consume;
      if (v == u'/') {
        t_.token.reset();
        t_.token.append(v);
        l.state = ParseState::CommentStart;
        return Step::Consume;
      }
      l.state = l.savedState;
      return Step::Redispatch;

    case ParseState::CommentStart:
      if (v == u'*') {
        l.state = ParseState::Comment;
      } else if (v == u'/') {
        l.state = ParseState::CommentEol;
      } else {
        return fail(ParseError::ParseComment);
      }
      t_.token.append(v);
      return Step::Consume;

    case ParseState::Comment:
      if (v == u'*') l.state = ParseState::CommentEnd;
      t_.token.append(v);
      return Step::Consume;

    case ParseState::CommentEnd:
      t_.token.append(v);
      if (v == u'/') {
        l.state = ParseState::EatWs;
      } else if (v != u'*') {
        l.state = ParseState::Comment;
      }
      return Step::Consume;

    case ParseState::CommentEol:
      if (v == u'\n') {
        l.state = ParseState::EatWs;
      } else {
        t_.token.append(v);
      }
      return Step::Consume;

    case ParseState::Start:
      return start(v);

    case ParseState::Finish:
      if (t_.depth == 0) return Step::Stop;
      finished_ = std::move(l.current);
      l.reset();
      --t_.depth;
      return Step::Redispatch;

    case ParseState::String:
      if (v == t_.quote) {
        if (!countValue(t_)) return fail(ParseError::ValueLimit);
        complete(JsonValue::create(t_.token.text()));
        return Step::Consume;
      }
      if (v == u'\\') {
        l.savedState = ParseState::String;
        l.state = ParseState::StringEscape;
        return Step::Consume;
      }
      t_.token.append(v);
      return Step::Consume;

    case ParseState::StringEscape:
      return escape(v);
    case ParseState::EscapeUnicode:
      return escapeDigit(v, 4);
    case ParseState::EscapeHexadecimal:
      return escapeDigit(v, 2);

    case ParseState::Null:
    case ParseState::Boolean:
      return literal(v);

    case ParseState::Number:
      return number(v);

    case ParseState::Identifier:
      return args_.self ? pathSegmentEnd(t_, args_, v) : unquotedText(v);

    case ParseState::Array:
      if (v == u']') {
        l.savedState = ParseState::Finish;
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      if (t_.depth >= kMaxDepth - 1) return fail(ParseError::Depth);
      return descend(ParseState::ArrayAdd);

    case ParseState::ArrayAdd:
      if (JsonArray* elements = l.current ? l.current->elements() : nullptr) {
        elements->add(std::move(finished_));
      }
      finished_.reset();
      l.savedState = ParseState::ArraySep;
      l.state = ParseState::EatWs;
      return Step::Redispatch;

    case ParseState::ArraySep:
      if (v == u']') {
        l.savedState = ParseState::Finish;
      } else if (v == u',') {
        l.savedState = ParseState::Array;
      } else {
        return fail(ParseError::ParseArray);
      }
      l.state = ParseState::EatWs;
      return Step::Consume;

    case ParseState::ObjectFieldStart:
      if (v == u'}') {
        l.savedState = ParseState::Finish;
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      if (v == u'"' || v == u'\'') {
        t_.quote = v;
        t_.token.reset();
        l.state = ParseState::ObjectField;
        return Step::Consume;
      }
      if (v < 256 && (args_.strict || isReserved(v))) return fail(ParseError::ParseObjectKeyName);
      t_.token.reset();
      l.state = ParseState::ObjectUnquotedField;
      return Step::Redispatch;

    case ParseState::ObjectField:
      if (v == t_.quote) {
        l.fieldName = t_.token.textToNul();
        l.savedState = ParseState::ObjectFieldEnd;
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      if (v == u'\\') {
        l.savedState = ParseState::ObjectField;
        l.state = ParseState::StringEscape;
        return Step::Consume;
      }
      t_.token.append(v);
      return Step::Consume;

    case ParseState::ObjectUnquotedField:
      if (v == u':' || v == 0) {
        l.fieldName = t_.token.textToNul();
        l.savedState = ParseState::ObjectFieldEnd;
        l.state = ParseState::EatWs;
        return Step::Redispatch;
      }
      if (v == u'\\') {
        l.savedState = ParseState::ObjectUnquotedField;
        l.state = ParseState::StringEscape;
        return Step::Consume;
      }
      t_.token.append(v);
      return Step::Consume;

    case ParseState::ObjectFieldEnd:
      if (v != u':') return fail(ParseError::ParseObjectKeySep);
      l.savedState = ParseState::ObjectValue;
      l.state = ParseState::EatWs;
      return Step::Consume;

    case ParseState::ObjectValue:
      if (t_.depth >= kMaxDepth - 1) return fail(ParseError::Depth);
      return descend(ParseState::ObjectValueAdd);

    case ParseState::ObjectValueAdd:
      if (MemberTable* members = l.current ? l.current->members() : nullptr) {
        members->store(std::move(l.fieldName), std::move(finished_));
      }
      finished_.reset();
      l.fieldName.clear();
      l.savedState = ParseState::ObjectSep;
      l.state = ParseState::EatWs;
      return Step::Redispatch;

    case ParseState::ObjectSep:
      if (v == u'}') {
        l.savedState = ParseState::Finish;
      } else if (v == u',') {
        l.savedState = ParseState::ObjectFieldStart;
      } else {
        return fail(ParseError::ParseObjectValueSep);
      }
      l.state = ParseState::EatWs;
      return Step::Consume;

    case ParseState::EvalProperty:
      return pathContainer(t_, args_, JsonType::Object);
    case ParseState::EvalArray:
      return pathContainer(t_, args_, JsonType::Array);
    case ParseState::ParamValue:
      return pathIndexStart(t_, v);
    case ParseState::ParamPut:
      return pathIndexEnd(t_, std::move(finished_), v);

    // Method calls in paths are not supported: no value of this program is callable.
    case ParseState::EvalMethod:
    case ParseState::MethodValue:
    case ParseState::MethodPut:
      return fail(ParseError::EvalMethod);
  }
  return fail(ParseError::ParseUnexpected);
}

Step Machine::start(char16_t v) {
  ParseLevel& l = level();
  const bool objectContext = t_.depth == 0 && args_.self.isType(JsonType::Object);
  switch (v) {
    case u'"':
    case u'\'':
      l.state = ParseState::String;
      t_.token.reset();
      t_.quote = v;
      return Step::Consume;
    case u'0':
    case u'1':
    case u'2':
    case u'3':
    case u'4':
    case u'5':
    case u'6':
    case u'7':
    case u'8':
    case u'9':
      if (objectContext) break;
      [[fallthrough]];
    case u'-':
      l.state = ParseState::Number;
      t_.token.reset();
      t_.isDouble = 0;
      t_.fractionDigits = -1;
      return Step::Redispatch;
    case u'N':
    case u'n':
      l.state = ParseState::Null;
      t_.token.reset();
      t_.literalPos = 0;
      return Step::Redispatch;
    case u'T':
    case u't':
    case u'F':
    case u'f':
      l.state = ParseState::Boolean;
      t_.token.reset();
      t_.literalPos = 0;
      return Step::Redispatch;
    case u'[':
      if (!countValue(t_)) return fail(ParseError::ValueLimit);
      l.current = JsonValue::create(JsonType::Array);
      l.savedState = ParseState::Array;
      l.state = ParseState::EatWs;
      return Step::Consume;
    case u'{':
      if (!countValue(t_)) return fail(ParseError::ValueLimit);
      l.current = JsonValue::create(JsonType::Object);
      l.savedState = ParseState::ObjectFieldStart;
      l.state = ParseState::EatWs;
      return Step::Consume;
    case u'(':
      if (t_.depth == 0 && args_.self.isType(JsonType::Method)) {
        return fail(ParseError::EvalMethod);
      }
      return Step::Consume;
    default:
      break;
  }
  l.state = ParseState::Identifier;
  t_.token.reset();
  return Step::Redispatch;
}

Step Machine::literal(char16_t v) {
  ParseLevel& l = level();
  t_.token.append(v);
  const std::u16string_view token = t_.token.text();
  const auto matches = [&](std::u16string_view word) {
    const std::size_t count = std::min(static_cast<std::size_t>(t_.literalPos) + 1, word.size());
    return token.substr(0, count) == word.substr(0, count);
  };
  const bool isNull = l.state == ParseState::Null;
  std::u16string_view word;
  if (isNull) {
    if (matches(u"null")) word = u"null";
  } else if (matches(u"true")) {
    word = u"true";
  } else if (matches(u"false")) {
    word = u"false";
  }
  if (word.empty()) {
    t_.token.removeLast();
    l.state = ParseState::Identifier;
    return Step::Redispatch;
  }
  if (static_cast<std::size_t>(t_.literalPos) < word.size()) {
    ++t_.literalPos;
    return Step::Consume;
  }
  if (continuesLiteral(v)) {
    l.state = ParseState::Identifier;
    ++t_.literalPos;
    return Step::Consume;
  }
  if (!countValue(t_)) return fail(ParseError::ValueLimit);
  complete(isNull ? JsonValue::create(JsonType::Null) : JsonValue::create(word == u"true"));
  return Step::Redispatch;
}

Step Machine::number(char16_t v) {
  const bool digit = v >= u'0' && v <= u'9';
  if (digit || v == u'+' || v == u'-' || v == u'.' || v == u'E' || v == u'e') {
    t_.token.append(v);
    if (v == u'.') {
      t_.isDouble = 1;
      t_.fractionDigits = 0;
    } else if (v == u'E' || v == u'e') {
      t_.isDouble = 1;
      t_.fractionDigits = -1;
    } else if (digit && t_.isDouble == 1 && t_.fractionDigits >= 0) {
      if (++t_.fractionDigits > 4) t_.fractionDigits = -1;
    }
    return Step::Consume;
  }
  if (!countValue(t_)) return fail(ParseError::ValueLimit);
  JsonRef value = numberFromText(t_.token.text(), t_.isDouble == 1, t_.fractionDigits);
  // At the top of a path over an array, an integer addresses an element.
  if (t_.depth == 0 && value->type() == JsonType::Int && args_.self.isType(JsonType::Array) &&
      !pathTopIndex(t_, args_, value)) {
    return Step::Stop;
  }
  complete(std::move(value));
  return Step::Redispatch;
}

Step Machine::escape(char16_t v) {
  ParseLevel& l = level();
  switch (v) {
    case u'b':
      t_.token.append(char16_t{8});
      break;
    case u'f':
      t_.token.append(char16_t{12});
      break;
    case u'n':
      t_.token.append(u'\n');
      break;
    case u'r':
      t_.token.append(u'\r');
      break;
    case u't':
      t_.token.append(u'\t');
      break;
    case u'u':
    case u'x':
      t_.escapeUnit = 0;
      t_.literalPos = 0;
      l.state = v == u'u' ? ParseState::EscapeUnicode : ParseState::EscapeHexadecimal;
      return Step::Consume;
    default:
      t_.token.append(v);
      break;
  }
  l.state = l.savedState;
  return Step::Consume;
}

Step Machine::escapeDigit(char16_t v, int digits) {
  const int digit = hexDigit(v);
  if (digit < 0) return fail(ParseError::ParseString);
  t_.escapeUnit =
      static_cast<char16_t>(t_.escapeUnit + (digit << ((digits - 1 - t_.literalPos) * 4)));
  if (++t_.literalPos == digits) {
    t_.token.append(t_.escapeUnit);
    level().state = level().savedState;
  }
  return Step::Consume;
}

Step Machine::unquotedText(char16_t v) {
  ParseLevel& l = level();
  if (v >= 256) {
    t_.token.append(v);
    return Step::Consume;
  }
  bool ends = v == 0;
  if (!ends && t_.depth > 0) {
    const ParseState above = t_.levels[static_cast<std::size_t>(t_.depth - 1)].state;
    ends = (above == ParseState::ArrayAdd && (v == u',' || v == u']')) ||
           (above == ParseState::ObjectValueAdd && (v == u',' || v == u'}'));
  }
  if (!ends) {
    if (v == u'\\') {
      l.savedState = ParseState::Identifier;
      l.state = ParseState::StringEscape;
    } else {
      t_.token.append(v);
    }
    return Step::Consume;
  }
  if (args_.strict) return fail(ParseError::ParseString);
  if (!countValue(t_)) return fail(ParseError::ValueLimit);
  t_.token.trimRight();
  complete(JsonValue::create(t_.token.textToNul()));
  return Step::Redispatch;
}

void advanceColumn(Tokenizer& t, char16_t v) {
  if (v == u'\t') {
    t.col += 4;
  } else if (v == u'\n') {
    ++t.line;
    t.col = 0;
  } else {
    ++t.col;
  }
}

// Inside a string or a quoted member name, a run of plain code units is taken in one append;
// the state machine would append them one by one with the same result.
bool copyQuotedRun(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  std::size_t end = t.offset;
  while (end < limit) {
    const char16_t v = text[end];
    if (v == t.quote || v == u'\\' || v == 0) break;
    advanceColumn(t, v);
    ++end;
  }
  if (end == t.offset) return false;
  t.token.append(text.data() + t.offset, end - t.offset);
  t.offset = end;
  return true;
}

// A run of whitespace, consumed as the machine would one unit at a time.
bool skipWhitespace(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  std::size_t end = t.offset;
  while (end < limit && isWhitespace(text[end])) advanceColumn(t, text[end++]);
  if (end == t.offset) return false;
  t.offset = end;
  return true;
}

// The end of the number text that starts at start, scanned as the machine scans it.
std::size_t scanNumber(std::u16string_view text, std::size_t start, std::size_t limit,
                       int& isDouble, int& fractionDigits) {
  std::size_t end = start;
  for (; end < limit; ++end) {
    const char16_t v = text[end];
    if (v >= u'0' && v <= u'9') {
      if (isDouble == 1 && fractionDigits >= 0 && ++fractionDigits > 4) fractionDigits = -1;
    } else if (v == u'.') {
      isDouble = 1;
      fractionDigits = 0;
    } else if (v == u'E' || v == u'e') {
      isDouble = 1;
      fractionDigits = -1;
    } else if (v != u'+' && v != u'-') {
      break;
    }
  }
  return end;
}

// A run of number units, appended and scanned as the machine would one at a time.
bool copyNumberRun(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  const std::size_t end = scanNumber(text, t.offset, limit, t.isDouble, t.fractionDigits);
  if (end == t.offset) return false;
  t.col += static_cast<int>(end - t.offset);
  t.token.append(text.data() + t.offset, end - t.offset);
  t.offset = end;
  return true;
}

// The text of a quoted string with escapes, decoded into token as the machine decodes it:
// gives the offset of the closing quote, or 0 where the string does not end well within limit.
std::size_t decodeEscapedText(TextBuffer& token, std::u16string_view text, std::size_t start,
                              std::size_t end, std::size_t limit, char16_t quote) {
  token.reset();
  token.append(text.data() + start, end - start);
  while (end < limit) {
    const char16_t v = text[end];
    if (v == quote) return end;
    if (v == 0) return 0;
    if (v != u'\\') {
      std::size_t run = end + 1;
      while (run < limit && text[run] != quote && text[run] != u'\\' && text[run] != 0) ++run;
      token.append(text.data() + end, run - end);
      end = run;
      continue;
    }
    if (end + 1 >= limit) return 0;
    const char16_t escaped = text[end + 1];
    end += 2;
    switch (escaped) {
      case 0:
        return 0;
      case u'b':
        token.append(char16_t{8});
        break;
      case u'f':
        token.append(char16_t{12});
        break;
      case u'n':
        token.append(u'\n');
        break;
      case u'r':
        token.append(u'\r');
        break;
      case u't':
        token.append(u'\t');
        break;
      case u'u':
      case u'x': {
        const std::size_t digits = escaped == u'u' ? 4 : 2;
        if (end + digits >= limit) return 0;
        unsigned unit = 0;
        for (std::size_t k = 0; k < digits; ++k) {
          const int digit = hexDigit(text[end + k]);
          if (digit < 0) return 0;  // the machine reports the error
          unit = unit * 16 + static_cast<unsigned>(digit);
        }
        token.append(static_cast<char16_t>(unit));
        end += digits;
        break;
      }
      default:
        token.append(escaped);
        break;
    }
  }
  return 0;
}

// A ',' or the closing bracket after an element or member, taken as the machine takes it.
bool takeSeparator(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.levels[static_cast<std::size_t>(t.depth)];
  if (t.offset >= limit) return false;
  const char16_t v = text[t.offset];
  if (l.savedState == ParseState::ArraySep) {
    if (v == u',') {
      l.savedState = ParseState::Array;
    } else if (v == u']') {
      l.savedState = ParseState::Finish;
    } else {
      return false;
    }
  } else if (l.savedState == ParseState::ObjectSep) {
    if (v == u',') {
      l.savedState = ParseState::ObjectFieldStart;
    } else if (v == u'}') {
      l.savedState = ParseState::Finish;
    } else {
      return false;
    }
  } else {
    return false;
  }
  ++t.col;
  ++t.offset;
  return true;
}

// An element or member value that is a number, a string or a literal, and lies whole in the
// text is made at once and handed to its container, as the machine would make it one level
// deeper and hand it up; a container value is opened one level deeper at once.
// Document parses only: paths give numbers other meanings.
bool takeScalar(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.levels[static_cast<std::size_t>(t.depth)];
  const bool inArray = l.savedState == ParseState::Array;
  if (!inArray && l.savedState != ParseState::ObjectValue) return false;
  // At the value limit the machine takes over and reports it.
  if (t.depth >= kMaxDepth - 1 || t.offset >= limit || t.valuesLeft == 0) return false;
  const char16_t first = text[t.offset];
  JsonRef value;
  std::size_t end = 0;
  if (first == u'"' || first == u'\'') {
    end = t.offset + 1;
    while (end < limit && text[end] != first && text[end] != u'\\' && text[end] != 0) ++end;
    if (end >= limit) return false;
    if (text[end] == u'\\') {
      const std::size_t runStart = t.offset + 1;
      end = decodeEscapedText(t.token, text, runStart, end, limit, first);
      if (end == 0) return false;
      value = JsonValue::create(t.token.text());
    } else if (text[end] == first) {
      value = JsonValue::create(text.substr(t.offset + 1, end - t.offset - 1));
    } else {
      return false;
    }
    for (std::size_t k = t.offset; k <= end; ++k) advanceColumn(t, text[k]);
    t.quote = first;
    ++end;
  } else if (first == u't' || first == u'f' || first == u'n') {
    const std::u16string_view word = first == u't' ? u"true" : first == u'f' ? u"false" : u"null";
    end = t.offset + word.size();
    if (end >= limit || text.substr(t.offset, word.size()) != word) return false;
    if (continuesLiteral(text[end])) return false;
    value = first == u'n' ? JsonValue::create(JsonType::Null) : JsonValue::create(first == u't');
    t.col += static_cast<int>(word.size());
  } else if (first == u'-' || (first >= u'0' && first <= u'9')) {
    int isDouble = 0;
    int fractionDigits = -1;
    end = scanNumber(text, t.offset, limit, isDouble, fractionDigits);
    if (end >= limit) return false;  // the number may go on in the next piece
    value = numberFromText(text.substr(t.offset, end - t.offset), isDouble == 1, fractionDigits);
    t.col += static_cast<int>(end - t.offset);
    t.isDouble = isDouble;
    t.fractionDigits = fractionDigits;
  } else if (first == u'[' || first == u'{') {
    // The container opens one level deeper, where the machine goes on with its content.
    advanceColumn(t, first);
    ++t.offset;
    l.state = inArray ? ParseState::ArrayAdd : ParseState::ObjectValueAdd;
    ++t.depth;
    ParseLevel& inner = t.levels[static_cast<std::size_t>(t.depth)];
    inner.reset();
    --t.valuesLeft;
    inner.current = JsonValue::create(first == u'[' ? JsonType::Array : JsonType::Object);
    inner.savedState = first == u'[' ? ParseState::Array : ParseState::ObjectFieldStart;
    return true;
  } else {
    return false;
  }
  --t.valuesLeft;
  t.offset = end;
  if (inArray) {
    if (JsonArray* elements = l.current ? l.current->elements() : nullptr) {
      elements->add(std::move(value));
    }
    l.savedState = ParseState::ArraySep;
  } else {
    if (MemberTable* members = l.current ? l.current->members() : nullptr) {
      members->store(std::move(l.fieldName), std::move(value));
    }
    l.fieldName.clear();
    l.savedState = ParseState::ObjectSep;
  }
  l.state = ParseState::EatWs;
  return true;
}

// A quoted member name without escapes that lies whole in the text, and the ':' right after
// it, are taken at once, as the machine would take them unit by unit.
bool takeMemberName(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.levels[static_cast<std::size_t>(t.depth)];
  if (l.savedState != ParseState::ObjectFieldStart || t.offset >= limit) return false;
  const char16_t first = text[t.offset];
  if (first != u'"' && first != u'\'') return false;
  std::size_t end = t.offset + 1;
  while (end < limit && text[end] != first && text[end] != u'\\' && text[end] != 0) ++end;
  if (end >= limit || text[end] != first) return false;
  for (std::size_t k = t.offset; k <= end; ++k) advanceColumn(t, text[k]);
  l.fieldName.assign(text.substr(t.offset + 1, end - t.offset - 1));
  t.quote = first;
  t.offset = end + 1;
  l.savedState = ParseState::ObjectFieldEnd;
  if (t.offset < limit && text[t.offset] == u':') {
    advanceColumn(t, u':');
    ++t.offset;
    l.savedState = ParseState::ObjectValue;
  }
  l.state = ParseState::EatWs;
  return true;
}

// A finished value inside a container is handed up as soon as something other than
// whitespace or a comment follows it, as the machine's Finish state does.
bool takeFinished(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.levels[static_cast<std::size_t>(t.depth)];
  if (l.savedState != ParseState::Finish || t.depth == 0 || t.offset >= limit) return false;
  if (isWhitespace(text[t.offset]) || text[t.offset] == u'/') return false;
  ParseLevel& parent = t.levels[static_cast<std::size_t>(t.depth - 1)];
  if (parent.state == ParseState::ArrayAdd) {
    if (JsonArray* elements = parent.current ? parent.current->elements() : nullptr) {
      elements->add(std::move(l.current));
    }
    parent.savedState = ParseState::ArraySep;
  } else if (parent.state == ParseState::ObjectValueAdd) {
    if (MemberTable* members = parent.current ? parent.current->members() : nullptr) {
      members->store(std::move(parent.fieldName), std::move(l.current));
    }
    parent.fieldName.clear();
    parent.savedState = ParseState::ObjectSep;
  } else {
    return false;
  }
  parent.state = ParseState::EatWs;
  l.reset();
  --t.depth;
  return true;
}

// Takes runs that the machine would handle unit by unit in one go.
bool takeRun(Tokenizer& t, std::u16string_view text, std::size_t limit, bool document) {
  switch (t.levels[static_cast<std::size_t>(t.depth)].state) {
    case ParseState::String:
    case ParseState::ObjectField:
      return copyQuotedRun(t, text, limit);
    case ParseState::EatWs:
      return skipWhitespace(t, text, limit) || takeMemberName(t, text, limit) ||
             (document && (takeSeparator(t, text, limit) || takeScalar(t, text, limit) ||
                           takeFinished(t, text, limit)));
    case ParseState::Number:
      return copyNumberRun(t, text, limit);
    default:
      return false;
  }
}

enum class RunEnd { Stopped, EndOfPiece };

// Runs the machine from t.offset. The end of text (its first NUL, or the end of the last
// piece) or a handler stops it; a piece that is not the last only pauses it at its end.
RunEnd runUnits(Machine& machine, Tokenizer& t, std::u16string_view text, std::ptrdiff_t length,
                bool last) {
  std::size_t limit = text.size();
  if (length >= 0) limit = std::min(limit, static_cast<std::size_t>(length));
  for (;;) {
    if (length >= 0 && t.offset >= static_cast<std::size_t>(length)) {
      const ParseLevel& top = t.levels[0];
      const bool complete =
          t.depth == 0 && top.state == ParseState::EatWs && top.savedState == ParseState::Finish;
      t.error = complete ? ParseError::Success : ParseError::Continue;
      return RunEnd::Stopped;
    }
    if (!last && t.offset >= text.size()) return RunEnd::EndOfPiece;
    if (takeRun(t, text, limit, !machine.evaluatesPath())) continue;
    const char16_t v = t.offset < text.size() ? text[t.offset] : char16_t{0};
    advanceColumn(t, v);
    Step step = Step::Redispatch;
    while (step == Step::Redispatch) step = machine.step(v);
    if (step == Step::Stop) return RunEnd::Stopped;
    ++t.offset;
    if (v == 0) {
      t.endTaken = true;
      // Text that ends inside a container is incomplete even where the inner level is.
      const ParseLevel& l = t.levels[static_cast<std::size_t>(t.depth)];
      if (t.depth > 0 || (l.state != ParseState::Finish && l.savedState != ParseState::Finish)) {
        t.error = ParseError::ParseEof;
      }
      return RunEnd::Stopped;
    }
  }
}

JsonRef resultOf(const Tokenizer& t) {
  if (t.error != ParseError::Success) return {};
  return t.levels[static_cast<std::size_t>(t.depth)].current;
}

}  // namespace

JsonRef runParser(Tokenizer& t, std::u16string_view text, std::ptrdiff_t length,
                  const ParseArguments& arguments) {
  Machine machine(t, arguments);
  t.offset = 0;
  t.error = ParseError::Success;
  t.endTaken = false;
  runUnits(machine, t, text, length, true);
  return resultOf(t);
}

// Decodes a piece at a time into one small buffer, so that the UTF-16 text of a large
// document is never held whole; the pieces are cut where no UTF-8 sequence is open.
JsonRef runParserUtf8(Tokenizer& t, std::string_view utf8, const ParseArguments& arguments) {
  constexpr std::size_t kPieceBytes = std::size_t{16} * 1024;
  Machine machine(t, arguments);
  t.error = ParseError::Success;
  std::unique_ptr<char16_t[]> units(new char16_t[std::min(kPieceBytes, utf8.size() + 1)]);
  for (;;) {
    std::size_t take = std::min(utf8.size(), kPieceBytes);
    if (take < utf8.size()) take = text::completeUtf8Prefix(utf8.substr(0, take));
    const std::size_t count = text::decodeUtf8(utf8.substr(0, take), units.get());
    utf8.remove_prefix(take);
    t.offset = 0;
    const std::u16string_view piece(units.get(), count);
    if (runUnits(machine, t, piece, -1, utf8.empty()) == RunEnd::Stopped) break;
  }
  return resultOf(t);
}

}  // namespace json::detail

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
  auto tokenizer = std::make_unique<detail::Tokenizer>();
  tokenizer->valuesLeft = limits.maxValues;
  return detail::runParser(*tokenizer, text, -1, {});
}

JsonRef parseDocument(std::string_view utf8, const ParseLimits& limits) {
  auto tokenizer = std::make_unique<detail::Tokenizer>();
  tokenizer->valuesLeft = limits.maxValues;
  return detail::runParserUtf8(*tokenizer, utf8, {});
}

}  // namespace json
