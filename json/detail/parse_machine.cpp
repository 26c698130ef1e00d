#include "json/detail/parse_machine.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <utility>

#include "json/detail/code_units.h"
#include "json/detail/number_parse.h"
#include "json/detail/path_walk.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"

namespace json::detail {

Step Machine::step(char16_t v) {
  ParseLevel& l = level();
  switch (l.state) {
    case ParseState::EatWs:
    case ParseState::CommentStart:
    case ParseState::Comment:
    case ParseState::CommentEnd:
    case ParseState::CommentEol:
      return whitespaceOrComment(l, v);
    case ParseState::Start:
    case ParseState::Finish:
    case ParseState::String:
    case ParseState::StringEscape:
    case ParseState::EscapeUnicode:
    case ParseState::EscapeHexadecimal:
    case ParseState::Null:
    case ParseState::Boolean:
    case ParseState::Number:
    case ParseState::Identifier:
      return scalar(l, v);
    case ParseState::Array:
    case ParseState::ArrayAdd:
    case ParseState::ArraySep:
      return array(l, v);
    case ParseState::ObjectFieldStart:
    case ParseState::ObjectField:
    case ParseState::ObjectUnquotedField:
    case ParseState::ObjectFieldEnd:
      return memberName(l, v);
    case ParseState::ObjectValue:
    case ParseState::ObjectValueAdd:
    case ParseState::ObjectSep:
      return memberValue(l, v);
    case ParseState::EvalProperty:
    case ParseState::EvalArray:
    case ParseState::EvalMethod:
    case ParseState::ParamValue:
    case ParseState::ParamPut:
    case ParseState::MethodValue:
    case ParseState::MethodPut:
      return path(l, v);
  }
  return fail(ParseError::ParseUnexpected);
}

void Machine::complete(JsonRef value) {
  ParseLevel& l = level();
  l.current = std::move(value);
  l.savedState = ParseState::Finish;
  l.state = ParseState::EatWs;
}

Step Machine::whitespaceOrComment(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::EatWs:
      if (isWhitespace(v)) return Step::Consume;
      if (v != u'/') {
        l.state = l.savedState;
        return Step::Redispatch;
      }
      t_.token.reset();
      l.state = ParseState::CommentStart;
      break;
    case ParseState::CommentStart:
      if (v != u'*' && v != u'/') return fail(ParseError::ParseComment);
      l.state = v == u'*' ? ParseState::Comment : ParseState::CommentEol;
      break;
    case ParseState::Comment:
      if (v == u'*') l.state = ParseState::CommentEnd;
      break;
    case ParseState::CommentEnd:
      if (v == u'/') {
        l.state = ParseState::EatWs;
      } else if (v != u'*') {
        l.state = ParseState::Comment;
      }
      break;
    default:  // CommentEol
      if (v == u'\n') {
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      break;
  }
  t_.token.append(v);
  return Step::Consume;
}

Step Machine::scalar(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::Start:
      return start(v);
    case ParseState::Finish:
      return finish(l);
    case ParseState::String:
      return string(l, v);
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
    default:  // Identifier
      return args_.self ? pathSegmentEnd(t_, args_, v) : unquotedText(v);
  }
}

// At depth 0 the parse ends here, before v; deeper, the value is handed to the level above.
Step Machine::finish(ParseLevel& l) {
  if (t_.depth == 0) return Step::Stop;
  finished_ = std::move(l.current);
  l.reset();
  --t_.depth;
  return Step::Redispatch;
}

Step Machine::string(ParseLevel& l, char16_t v) {
  if (v == t_.quote) {
    if (!countValue(t_)) return fail(ParseError::ValueLimit);
    complete(JsonValue::create(t_.token.text()));
  } else if (v == u'\\') {
    l.savedState = ParseState::String;
    l.state = ParseState::StringEscape;
  } else {
    t_.token.append(v);
  }
  return Step::Consume;
}

Step Machine::array(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::Array:
      if (v == u']') {
        l.savedState = ParseState::Finish;
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      if (t_.depth >= kMaxDepth - 1) return fail(ParseError::Depth);
      return descend(t_, ParseState::ArrayAdd);
    case ParseState::ArrayAdd:
      if (JsonArray* elements = l.current ? l.current->elements() : nullptr) {
        elements->add(std::move(finished_));
      }
      finished_.reset();
      l.savedState = ParseState::ArraySep;
      l.state = ParseState::EatWs;
      return Step::Redispatch;
    default:  // ArraySep
      if (v == u']') {
        l.savedState = ParseState::Finish;
      } else if (v == u',') {
        l.savedState = ParseState::Array;
      } else {
        return fail(ParseError::ParseArray);
      }
      l.state = ParseState::EatWs;
      return Step::Consume;
  }
}

Step Machine::memberName(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::ObjectFieldStart:
      if (v == u'}') {
        l.savedState = ParseState::Finish;
        l.state = ParseState::EatWs;
        return Step::Consume;
      }
      t_.token.reset();
      if (v == u'"' || v == u'\'') {
        t_.quote = v;
        l.state = ParseState::ObjectField;
        return Step::Consume;
      }
      if (v < 256 && (args_.strict || isReserved(v))) return fail(ParseError::ParseObjectKeyName);
      l.state = ParseState::ObjectUnquotedField;
      return Step::Redispatch;
    case ParseState::ObjectField:
    case ParseState::ObjectUnquotedField: {
      const bool quoted = l.state == ParseState::ObjectField;
      if (quoted ? v == t_.quote : (v == u':' || v == 0)) {
        l.fieldName = t_.token.textToNul();
        l.savedState = ParseState::ObjectFieldEnd;
        l.state = ParseState::EatWs;
        return quoted ? Step::Consume : Step::Redispatch;  // the ':' is read after the name
      }
      if (v == u'\\') {
        l.savedState = l.state;
        l.state = ParseState::StringEscape;
      } else {
        t_.token.append(v);
      }
      return Step::Consume;
    }
    default:  // ObjectFieldEnd
      if (v != u':') return fail(ParseError::ParseObjectKeySep);
      l.savedState = ParseState::ObjectValue;
      l.state = ParseState::EatWs;
      return Step::Consume;
  }
}

Step Machine::memberValue(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::ObjectValue:
      if (t_.depth >= kMaxDepth - 1) return fail(ParseError::Depth);
      return descend(t_, ParseState::ObjectValueAdd);
    case ParseState::ObjectValueAdd:
      if (MemberTable* members = l.current ? l.current->members() : nullptr) {
        members->store(std::move(l.fieldName), std::move(finished_));
      }
      finished_.reset();
      l.fieldName.clear();
      l.savedState = ParseState::ObjectSep;
      l.state = ParseState::EatWs;
      return Step::Redispatch;
    default:  // ObjectSep
      if (v == u'}') {
        l.savedState = ParseState::Finish;
      } else if (v == u',') {
        l.savedState = ParseState::ObjectFieldStart;
      } else {
        return fail(ParseError::ParseObjectValueSep);
      }
      l.state = ParseState::EatWs;
      return Step::Consume;
  }
}

Step Machine::path(ParseLevel& l, char16_t v) {
  switch (l.state) {
    case ParseState::EvalProperty:
      return pathContainer(t_, args_, JsonType::Object);
    case ParseState::EvalArray:
      return pathContainer(t_, args_, JsonType::Array);
    case ParseState::ParamValue:
      return pathIndexStart(t_, v);
    case ParseState::ParamPut:
      return pathIndexEnd(t_, std::move(finished_), v);
    default:
      // Method calls in paths are not supported: no value of this program is callable.
      return fail(ParseError::EvalMethod);
  }
}

Step Machine::start(char16_t v) {
  ParseLevel& l = level();
  const bool digit = v >= u'0' && v <= u'9';
  // Digits at the top of a path over an object start a member name.
  if (v == u'-' || (digit && !(t_.depth == 0 && args_.self.isType(JsonType::Object)))) {
    l.state = ParseState::Number;
    t_.token.reset();
    t_.isDouble = 0;
    t_.fractionDigits = -1;
    return Step::Redispatch;
  }
  switch (v) {
    case u'"':
    case u'\'':
      l.state = ParseState::String;
      t_.token.reset();
      t_.quote = v;
      return Step::Consume;
    case u'N':
    case u'n':
    case u'T':
    case u't':
    case u'F':
    case u'f':
      l.state = v == u'N' || v == u'n' ? ParseState::Null : ParseState::Boolean;
      t_.token.reset();
      t_.literalPos = 0;
      return Step::Redispatch;
    case u'[':
    case u'{':
      if (!countValue(t_)) return fail(ParseError::ValueLimit);
      l.current = JsonValue::create(v == u'[' ? JsonType::Array : JsonType::Object);
      l.savedState = v == u'[' ? ParseState::Array : ParseState::ObjectFieldStart;
      l.state = ParseState::EatWs;
      return Step::Consume;
    case u'(':
      if (t_.depth == 0 && args_.self.isType(JsonType::Method)) {
        return fail(ParseError::EvalMethod);
      }
      return Step::Consume;
    default:
      l.state = ParseState::Identifier;
      t_.token.reset();
      return Step::Redispatch;
  }
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
  char16_t unit = v;
  switch (v) {
    case u'b':
      unit = 8;
      break;
    case u'f':
      unit = 12;
      break;
    case u'n':
      unit = u'\n';
      break;
    case u'r':
      unit = u'\r';
      break;
    case u't':
      unit = u'\t';
      break;
    case u'u':
    case u'x':
      t_.escapeUnit = 0;
      t_.literalPos = 0;
      l.state = v == u'u' ? ParseState::EscapeUnicode : ParseState::EscapeHexadecimal;
      return Step::Consume;
    default:
      break;
  }
  t_.token.append(unit);
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

// At depth 0 only the end of the text ends unquoted text; inside a container its separator and
// closing bracket do too.
bool Machine::endsUnquotedText(char16_t v) const {
  if (v == 0) return true;
  if (t_.depth == 0) return false;
  const ParseState above = t_.levels[static_cast<std::size_t>(t_.depth - 1)].state;
  return (above == ParseState::ArrayAdd && (v == u',' || v == u']')) ||
         (above == ParseState::ObjectValueAdd && (v == u',' || v == u'}'));
}

Step Machine::unquotedText(char16_t v) {
  ParseLevel& l = level();
  if (v >= 256 || !endsUnquotedText(v)) {
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

}  // namespace json::detail
