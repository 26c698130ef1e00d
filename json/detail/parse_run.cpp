#include "json/detail/parse_run.h"

#include <algorithm>
#include <memory>

#include "json/detail/parse_machine.h"
#include "json/detail/parse_shortcuts.h"
#include "text/utf8_codec.h"

namespace json::detail {

namespace {

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
