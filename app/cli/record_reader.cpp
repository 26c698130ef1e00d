#include "app/cli/record_reader.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace app::cli {
namespace {

constexpr std::size_t kBufferBytes = std::size_t{256} * 1024;
// Deeper nesting than this is no record of ours, and must not deepen the stack.
constexpr int kMostDepth = 32;
constexpr std::size_t kMostKeyBytes = 64;
constexpr std::size_t kMostNumberBytes = 40;

bool isSpace(int c) { return c == ' ' || c == '\t' || c == '\r'; }

void appendCodePoint(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// Drops a UTF-8 sequence that the cut left unfinished.
void trimPartialSequence(std::string& text) {
  std::size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return;
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (text.size() - (start - 1) < length) text.resize(start - 1);
}

int digits(const std::string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

// A recursive reader of one line's JSON object that keeps the fields the history shows,
// each bounded, and skips everything else.
class LineParser {
 public:
  LineParser(RecordReader& reader, RecordEntry& entry) : in_(reader), entry_(entry) {}

  bool parseRecord() {
    skipSpace();
    if (in_.get() != '{') return false;
    if (!members(0, Level::Top)) return false;
    skipSpace();
    return in_.peek() < 0;
  }

  [[nodiscard]] const std::string& host() const { return host_; }
  [[nodiscard]] bool sawAddress() const { return sawAddress_; }

 private:
  enum class Level { Top, Cause, Other };

  void skipSpace() {
    while (isSpace(in_.peek())) in_.get();
  }

  bool expect(char c) {
    skipSpace();
    return in_.get() == c;
  }

  // The members after "{", up to and with "}".
  bool members(int depth, Level level) {
    skipSpace();
    if (in_.peek() == '}') {
      in_.get();
      return true;
    }
    for (;;) {
      std::string key;
      skipSpace();
      if (in_.get() != '"' || !string(&key, kMostKeyBytes)) return false;
      if (!expect(':')) return false;
      skipSpace();
      if (!member(key, depth, level)) return false;
      skipSpace();
      const int c = in_.get();
      if (c == '}') return true;
      if (c != ',') return false;
    }
  }

  std::string* textField(const std::string& key, Level level) {
    if (level == Level::Cause) {
      if (key == "class") return &entry_.causeClass;
      if (key == "message") return &entry_.causeMessage;
      return nullptr;
    }
    if (level == Level::Other) return nullptr;
    if (key == "time") return &entry_.time;
    if (key == "site") return &entry_.site;
    if (key == "host") return &host_;
    if (key == "address") return &entry_.address;
    if (key == "runId") return &entry_.runId;
    if (key == "updaterVersion") return &entry_.updaterVersion;
    if (key == "versionBefore") return &entry_.versionBefore;
    if (key == "versionAfter") return &entry_.versionAfter;
    if (key == "imageVersion") return &entry_.imageVersion;
    if (key == "result") return &entry_.result;
    if (key == "verification") return &entry_.verification;
    return nullptr;
  }

  bool member(const std::string& key, int depth, Level level) {
    const int c = in_.peek();
    const bool top = level == Level::Top;
    if (top && key == "cause" && c == '{') {
      in_.get();
      return members(depth + 1, Level::Cause);
    }
    if (c == '"') {
      in_.get();
      std::string* field = textField(key, level);
      if (field == &entry_.address) sawAddress_ = true;
      return string(field, kMostFieldBytes);
    }
    if (top && (c == '-' || (c >= '0' && c <= '9'))) {
      std::string text;
      if (!number(text)) return false;
      const double value = std::strtod(text.c_str(), nullptr);
      if (key == "waitRestart") entry_.waitRestart = value;
      if (key == "restartSeconds") entry_.restartSeconds = value;
      if (key == "tries") entry_.tries = static_cast<std::int64_t>(value);
      return true;
    }
    if (top && key == "verified" && (c == 't' || c == 'f')) {
      const bool value = c == 't';
      if (!word(value ? "true" : "false")) return false;
      entry_.verified = value;
      return true;
    }
    return skipValue(depth);
  }

  bool word(const char* text) {
    for (const char* p = text; *p != 0; ++p) {
      if (in_.get() != *p) return false;
    }
    return true;
  }

  bool number(std::string& text) {
    for (int c = in_.peek();
         c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E' || (c >= '0' && c <= '9');
         c = in_.peek()) {
      if (text.size() == kMostNumberBytes) return false;
      text += static_cast<char>(in_.get());
    }
    return !text.empty();
  }

  int hexDigit() {
    const int c = in_.get();
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }

  int hex4() {
    int value = 0;
    for (int i = 0; i < 4; ++i) {
      const int digit = hexDigit();
      if (digit < 0) return -1;
      value = value * 16 + digit;
    }
    return value;
  }

  // A \u escape after its "\u": a surrogate pair is read whole, a lone surrogate is U+FFFD.
  bool unicodeEscape(std::string& piece) {
    const int unit = hex4();
    if (unit < 0) return false;
    auto point = static_cast<char32_t>(unit);
    if (unit >= 0xD800 && unit <= 0xDBFF && in_.peek() == '\\') {
      in_.get();
      if (in_.get() != 'u') return false;
      const int low = hex4();
      if (low < 0) return false;
      if (low >= 0xDC00 && low <= 0xDFFF) {
        point = 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) +
                (static_cast<char32_t>(low) - 0xDC00);
      } else {
        appendCodePoint(piece, 0xFFFD);
        point = static_cast<char32_t>(low);
      }
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      point = 0xFFFD;
    }
    appendCodePoint(piece, point);
    return true;
  }

  // The character of an escape after its backslash, added to piece.
  bool escape(std::string& piece) {
    const int e = in_.get();
    switch (e) {
      case '"':
      case '\\':
      case '/':
        piece += static_cast<char>(e);
        return true;
      case 'b':
        piece += '\b';
        return true;
      case 'f':
        piece += '\f';
        return true;
      case 'n':
        piece += '\n';
        return true;
      case 'r':
        piece += '\r';
        return true;
      case 't':
        piece += '\t';
        return true;
      case 'u':
        return unicodeEscape(piece);
      default:
        return false;
    }
  }

  // The rest of a string after its opening quote, kept in out (when given) up to most bytes.
  bool string(std::string* out, std::size_t most) {
    std::string piece;
    for (;;) {
      const int c = in_.get();
      if (c < 0) return false;
      if (c == '"') break;
      piece.clear();
      if (c != '\\') {
        piece += static_cast<char>(c);
      } else if (!escape(piece)) {
        return false;
      }
      if (out == nullptr) continue;
      if (out->size() + piece.size() <= most) {
        *out += piece;
      } else {
        entry_.cut = true;
        out = nullptr;
      }
    }
    return true;
  }

  bool skipValue(int depth) {
    if (depth >= kMostDepth) return false;
    skipSpace();
    const int c = in_.peek();
    if (c == '"') {
      in_.get();
      return string(nullptr, 0);
    }
    if (c == '{') {
      in_.get();
      return members(depth + 1, Level::Other);
    }
    if (c == '[') {
      in_.get();
      skipSpace();
      if (in_.peek() == ']') {
        in_.get();
        return true;
      }
      for (;;) {
        if (!skipValue(depth + 1)) return false;
        skipSpace();
        const int next = in_.get();
        if (next == ']') return true;
        if (next != ',') return false;
      }
    }
    if (c == 't') return word("true");
    if (c == 'f') return word("false");
    if (c == 'n') return word("null");
    std::string text;
    return number(text);
  }

 public:
  std::string host_;
  bool sawAddress_ = false;

 private:
  RecordReader& in_;
  RecordEntry& entry_;
};

RecordReader::RecordReader(std::FILE* file) : file_(file), buffer_(kBufferBytes) {}

int RecordReader::peek() {
  if (lineEnded_ || fileEnded_) return -1;
  if (position_ == filled_) {
    filled_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    position_ = 0;
    if (filled_ == 0) {
      fileEnded_ = true;
      return -1;
    }
  }
  const auto c = static_cast<unsigned char>(buffer_[position_]);
  if (c == '\n') {
    lineEnded_ = true;
    return -1;
  }
  return c;
}

int RecordReader::get() {
  const int c = peek();
  if (c < 0) return c;
  ++position_;
  if (raw_ != nullptr) {
    if (raw_->size() < kMostRawLine) {
      *raw_ += static_cast<char>(c);
    } else {
      *rawWhole_ = false;
    }
  }
  return c;
}

void RecordReader::skipRestOfLine() {
  while (get() >= 0) {
  }
  // Past the line feed, when there is one.
  if (lineEnded_) {
    ++position_;
    lineEnded_ = false;
  }
}

RecordReader::Got RecordReader::next(RecordEntry& entry) {
  for (;;) {
    if (peek() < 0 && fileEnded_) return Got::End;
    entry = RecordEntry{};
    raw_ = &entry.raw;
    rawWhole_ = &entry.rawWhole;
    LineParser parser(*this, entry);
    const bool parsed = parser.parseRecord();
    const bool blank = !parsed && entry.raw.find_first_not_of(" \t\r") == std::string::npos &&
                       (lineEnded_ || fileEnded_) && entry.rawWhole;
    skipRestOfLine();
    raw_ = nullptr;
    rawWhole_ = nullptr;
    if (blank) continue;
    if (!parsed || !parser.sawAddress()) return Got::NoRecord;
    for (std::string* text :
         {&entry.time, &entry.site, &entry.address, &entry.runId, &entry.updaterVersion,
          &entry.versionBefore, &entry.versionAfter, &entry.imageVersion, &entry.result,
          &entry.verification, &entry.causeClass, &entry.causeMessage}) {
      trimPartialSequence(*text);
    }
    if (entry.site.empty()) entry.site = parser.host();
    const auto time = isoTimeMs(entry.time);
    entry.timeMs = time.value_or(lastTimeMs_);
    lastTimeMs_ = entry.timeMs;
    return Got::Entry;
  }
}

std::optional<std::int64_t> isoTimeMs(const std::string& text) {
  using namespace std::chrono;
  const int y = digits(text, 0, 4);
  const int mo = digits(text, 5, 2);
  const int d = digits(text, 8, 2);
  if (y < 0 || mo < 0 || d < 0 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const year_month_day date{year{y}, month{static_cast<unsigned>(mo)},
                            day{static_cast<unsigned>(d)}};
  if (!date.ok()) return std::nullopt;
  std::int64_t ms = duration_cast<milliseconds>(sys_days{date}.time_since_epoch()).count();
  if (text.size() == 10) return ms;
  if (text[10] != 'T' && text[10] != ' ') return std::nullopt;
  const int h = digits(text, 11, 2);
  const int mi = digits(text, 14, 2);
  if (h < 0 || h > 23 || mi < 0 || mi > 59 || text.size() < 16 || text[13] != ':') {
    return std::nullopt;
  }
  std::size_t at = 16;
  int s = 0;
  int fraction = 0;
  if (at < text.size() && text[at] == ':') {
    s = digits(text, at + 1, 2);
    if (s < 0 || s > 60) return std::nullopt;
    at += 3;
    if (at < text.size() && text[at] == '.') {
      ++at;
      int scale = 100;
      while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        fraction += (text[at] - '0') * scale;
        scale /= 10;
        ++at;
      }
    }
  }
  ms += ((h * 60 + mi) * 60 + s) * std::int64_t{1000} + fraction;
  if (at == text.size() || (text[at] == 'Z' && at + 1 == text.size())) return ms;
  if ((text[at] == '+' || text[at] == '-') && text.size() == at + 6 && text[at + 3] == ':') {
    const int oh = digits(text, at + 1, 2);
    const int om = digits(text, at + 4, 2);
    if (oh < 0 || om < 0) return std::nullopt;
    const std::int64_t offset = (oh * 60 + om) * std::int64_t{60000};
    return text[at] == '+' ? ms - offset : ms + offset;
  }
  return std::nullopt;
}

}  // namespace app::cli
