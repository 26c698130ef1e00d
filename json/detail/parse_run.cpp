#include "json/detail/parse_run.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "json/detail/code_units.h"
#include "json/detail/number_parse.h"
#include "json/detail/parse_machine.h"
#include "json/json_array.h"
#include "json/json_value.h"
#include "json/member_table.h"
#include "text/utf8_codec.h"

namespace json::detail {

namespace {

// Counts v into the tokenizer's line and column as the machine does.
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
  ParseLevel& l = t.level();
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

// A string value that lies whole in the text, escapes decoded; its end is the unit after the
// closing quote.
JsonRef stringAt(Tokenizer& t, std::u16string_view text, std::size_t limit, std::size_t& end) {
  const char16_t quote = text[t.offset];
  end = t.offset + 1;
  while (end < limit && text[end] != quote && text[end] != u'\\' && text[end] != 0) ++end;
  if (end >= limit) return {};
  JsonRef value;
  if (text[end] == u'\\') {
    end = decodeEscapedText(t.token, text, t.offset + 1, end, limit, quote);
    if (end == 0) return {};
    value = JsonValue::create(t.token.text());
  } else if (text[end] == quote) {
    value = JsonValue::create(text.substr(t.offset + 1, end - t.offset - 1));
  } else {
    return {};
  }
  for (std::size_t k = t.offset; k <= end; ++k) advanceColumn(t, text[k]);
  t.quote = quote;
  ++end;
  return value;
}

// A literal followed by a unit that ends it.
JsonRef literalAt(Tokenizer& t, std::u16string_view text, std::size_t limit, std::size_t& end) {
  const char16_t first = text[t.offset];
  const std::u16string_view word = first == u't' ? u"true" : first == u'f' ? u"false" : u"null";
  end = t.offset + word.size();
  if (end >= limit || text.substr(t.offset, word.size()) != word) return {};
  if (continuesLiteral(text[end])) return {};
  t.col += static_cast<int>(word.size());
  return first == u'n' ? JsonValue::create(JsonType::Null) : JsonValue::create(first == u't');
}

// A number whose end lies within the piece.
JsonRef numberAt(Tokenizer& t, std::u16string_view text, std::size_t limit, std::size_t& end) {
  int isDouble = 0;
  int fractionDigits = -1;
  end = scanNumber(text, t.offset, limit, isDouble, fractionDigits);
  if (end >= limit) return {};  // the number may go on in the next piece
  t.col += static_cast<int>(end - t.offset);
  t.isDouble = isDouble;
  t.fractionDigits = fractionDigits;
  return numberFromText(text.substr(t.offset, end - t.offset), isDouble == 1, fractionDigits);
}

// The container opens one level deeper, where the machine goes on with its content.
void openContainer(Tokenizer& t, ParseLevel& l, char16_t bracket, bool inArray) {
  advanceColumn(t, bracket);
  ++t.offset;
  l.state = inArray ? ParseState::ArrayAdd : ParseState::ObjectValueAdd;
  ++t.depth;
  ParseLevel& inner = t.level();
  inner.reset();
  --t.valuesLeft;
  const bool array = bracket == u'[';
  inner.current = JsonValue::create(array ? JsonType::Array : JsonType::Object);
  inner.savedState = array ? ParseState::Array : ParseState::ObjectFieldStart;
}

// Hands a finished element or member value to the container of level l.
void handToContainer(ParseLevel& l, JsonRef value, bool inArray) {
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
}

// An element or member value that is a number, a string or a literal, and lies whole in the
// text is made at once and handed to its container, as the machine would make it one level
// deeper and hand it up; a container value is opened one level deeper at once.
// Document parses only: paths give numbers other meanings.
bool takeScalar(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.level();
  const bool inArray = l.savedState == ParseState::Array;
  if (!inArray && l.savedState != ParseState::ObjectValue) return false;
  // At the value limit the machine takes over and reports it.
  if (t.depth >= kMaxDepth - 1 || t.offset >= limit || t.valuesLeft == 0) return false;
  const char16_t first = text[t.offset];
  if (first == u'[' || first == u'{') {
    openContainer(t, l, first, inArray);
    return true;
  }
  std::size_t end = 0;
  JsonRef value;
  if (first == u'"' || first == u'\'') {
    value = stringAt(t, text, limit, end);
  } else if (first == u't' || first == u'f' || first == u'n') {
    value = literalAt(t, text, limit, end);
  } else if (first == u'-' || (first >= u'0' && first <= u'9')) {
    value = numberAt(t, text, limit, end);
  }
  if (!value) return false;
  --t.valuesLeft;
  t.offset = end;
  handToContainer(l, std::move(value), inArray);
  return true;
}

// A quoted member name without escapes that lies whole in the text, and the ':' right after
// it, are taken at once, as the machine would take them unit by unit.
bool takeMemberName(Tokenizer& t, std::u16string_view text, std::size_t limit) {
  ParseLevel& l = t.level();
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
  ParseLevel& l = t.level();
  if (l.savedState != ParseState::Finish || t.depth == 0 || t.offset >= limit) return false;
  if (isWhitespace(text[t.offset]) || text[t.offset] == u'/') return false;
  ParseLevel& parent = t.levels[static_cast<std::size_t>(t.depth - 1)];
  if (parent.state != ParseState::ArrayAdd && parent.state != ParseState::ObjectValueAdd) {
    return false;
  }
  handToContainer(parent, std::move(l.current), parent.state == ParseState::ArrayAdd);
  l.reset();
  --t.depth;
  return true;
}

// Takes, from t.offset on and below limit, a run of units that the machine would handle one
// by one, with the same result: whitespace, the plain text of a string, a number, a member
// name; in a document (not a path) also separators and whole scalar values. False when
// nothing could be taken, so that the machine handles the next unit.
bool takeRun(Tokenizer& t, std::u16string_view text, std::size_t limit, bool document) {
  switch (t.level().state) {
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

// Where a length-limited parse reaches its length: complete only at the top, after a value.
void stopAtLength(Tokenizer& t) {
  const ParseLevel& top = t.levels[0];
  const bool complete =
      t.depth == 0 && top.state == ParseState::EatWs && top.savedState == ParseState::Finish;
  t.error = complete ? ParseError::Success : ParseError::Continue;
}

// Runs the machine from t.offset. The end of text (its first NUL, or the end of the last
// piece) or a handler stops it; a piece that is not the last only pauses it at its end.
RunEnd runUnits(Machine& machine, Tokenizer& t, std::u16string_view text, std::ptrdiff_t length,
                bool last) {
  std::size_t limit = text.size();
  if (length >= 0) limit = std::min(limit, static_cast<std::size_t>(length));
  for (;;) {
    if (length >= 0 && t.offset >= static_cast<std::size_t>(length)) {
      stopAtLength(t);
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
      const ParseLevel& l = t.level();
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

std::size_t utf8Offset(std::u16string_view text, std::size_t units) {
  units = std::min(units, text.size());
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t unit = text[i];
    if (unit < 0x80) {
      bytes += 1;
    } else if (unit < 0x800) {
      bytes += 2;
    } else if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] < 0xE000) {
      bytes += 4;  // a surrogate pair is one character of four bytes
      ++i;
    } else {
      bytes += 3;  // an unpaired surrogate is written as U+FFFD
    }
  }
  return bytes;
}

}  // namespace json::detail
