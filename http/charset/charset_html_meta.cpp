#include "http/charset/charset_html_meta.h"

#include "http/base/stream_bytes.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

constexpr auto npos = std::string_view::npos;

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoreCase(std::string_view a, std::string_view lowerB) {
  if (a.size() != lowerB.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerB[i]) return false;
  }
  return true;
}

std::size_t findIgnoreCase(std::string_view text, std::string_view lowerNeedle, std::size_t from) {
  if (lowerNeedle.size() > text.size()) return npos;
  for (std::size_t i = from; i + lowerNeedle.size() <= text.size(); ++i) {
    if (equalsIgnoreCase(text.substr(i, lowerNeedle.size()), lowerNeedle)) return i;
  }
  return npos;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f'; }

struct Attribute {
  std::string_view name;
  std::string_view value;
};

class MetaScanner {
 public:
  explicit MetaScanner(std::string_view text) : text_(text) {}

  HtmlMetaDeclarations scan() {
    enum class Section { BeforeHtml, BeforeHead, Head };
    Section section = Section::BeforeHtml;
    while (nextTag()) {
      const std::string_view name = tagName();
      if (section == Section::BeforeHtml) {
        if (equalsIgnoreCase(name, "html")) section = Section::BeforeHead;
        skipAttributes();
      } else if (section == Section::BeforeHead) {
        if (equalsIgnoreCase(name, "head")) {
          section = Section::Head;
        } else if (equalsIgnoreCase(name, "body")) {
          break;
        } else if (equalsIgnoreCase(name, "title")) {
          return {};
        }
        skipAttributes();
      } else if (equalsIgnoreCase(name, "meta")) {
        readMeta();
      } else if (equalsIgnoreCase(name, "title") || equalsIgnoreCase(name, "script")) {
        skipAttributes();
        if (!skipPastClosingTag(name)) break;
      } else {
        skipAttributes();
      }
    }
    return std::move(result_);
  }

 private:
  // Moves to the name of the next tag, past comments and "<!...>", "<?...>" constructs.
  bool nextTag() {
    for (;;) {
      const std::size_t open = text_.find('<', pos_);
      if (open == npos || open + 1 >= text_.size()) return false;
      pos_ = open + 1;
      const char next = text_[pos_];
      if (next != '!' && next != '?') return true;
      const bool comment = text_.substr(open).starts_with("<!--");
      const std::size_t end = comment ? text_.find("-->", open + 4) : text_.find('>', pos_);
      if (end == npos) return false;
      pos_ = end + (comment ? 3 : 1);
    }
  }

  std::string_view tagName() {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '/' &&
           text_[pos_] != '>') {
      ++pos_;
    }
    return text_.substr(start, pos_ - start);
  }

  void skipSpaces() {
    while (pos_ < text_.size() && isSpace(text_[pos_])) ++pos_;
  }

  // Reads the next attribute of the current tag; false at the tag's end (consumed).
  bool nextAttribute(Attribute& attribute) {
    while (pos_ < text_.size() && (isSpace(text_[pos_]) || text_[pos_] == '/')) ++pos_;
    if (pos_ >= text_.size()) return false;
    if (text_[pos_] == '>') {
      ++pos_;
      return false;
    }
    const std::size_t nameStart = pos_;
    while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '=' &&
           text_[pos_] != '>' && text_[pos_] != '/') {
      ++pos_;
    }
    if (pos_ == nameStart) ++pos_;  // a stray "=": step over it
    attribute.name = text_.substr(nameStart, pos_ - nameStart);
    attribute.value = {};
    skipSpaces();
    if (pos_ >= text_.size() || text_[pos_] != '=') return true;
    ++pos_;
    skipSpaces();
    if (pos_ >= text_.size()) return true;
    const char quote = text_[pos_];
    if (quote == '"' || quote == '\'') {
      const std::size_t close = text_.find(quote, pos_ + 1);
      const std::size_t end = close == npos ? text_.size() : close;
      attribute.value = text_.substr(pos_ + 1, end - pos_ - 1);
      pos_ = close == npos ? end : close + 1;
    } else {
      const std::size_t start = pos_;
      while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '/' &&
             text_[pos_] != '>') {
        ++pos_;
      }
      attribute.value = text_.substr(start, pos_ - start);
    }
    return true;
  }

  void skipAttributes() {
    Attribute ignored;
    while (nextAttribute(ignored)) {
    }
  }

  bool skipPastClosingTag(std::string_view name) {
    std::string closing = "</";
    for (const char c : name) closing.push_back(lowerAscii(c));
    const std::size_t found = findIgnoreCase(text_, closing, pos_);
    if (found == npos) return false;
    pos_ = found + closing.size();
    return true;
  }

  void readMeta() {
    std::string_view httpEquiv;
    std::string_view content;
    bool hasHttpEquiv = false;
    bool hasContent = false;
    Attribute attribute;
    while (nextAttribute(attribute)) {
      if (equalsIgnoreCase(attribute.name, "http-equiv")) {
        httpEquiv = attribute.value;
        hasHttpEquiv = true;
      } else if (equalsIgnoreCase(attribute.name, "content")) {
        content = attribute.value;
        hasContent = true;
      } else if (equalsIgnoreCase(attribute.name, "charset")) {
        result_.charset = text::latin1ToUtf16(attribute.value);
      }
    }
    if (hasHttpEquiv && hasContent && !httpEquiv.empty()) {
      result_.headerLines.push_back(text::latin1ToUtf16(httpEquiv) + u": " +
                                    text::latin1ToUtf16(content));
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  HtmlMetaDeclarations result_;
};

}  // namespace

HtmlMetaDeclarations scanHtmlMeta(std::string_view body) { return MetaScanner(body).scan(); }

HtmlMetaDeclarations scanHtmlMeta(Stream& body) { return scanHtmlMeta(readWhole(body)); }

}  // namespace http
