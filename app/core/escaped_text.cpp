#include "app/core/escaped_text.h"

#include <QChar>
#include <cstdio>

namespace app {
namespace {

bool isHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Characters that steer a terminal or the direction of the text instead of showing.
bool isSteering(char32_t c) {
  switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
      return true;
    default:
      return false;
  }
}

void appendEscape(std::u16string& out, char32_t c) {
  char escape[16];
  if (c <= 0xFF) {
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
  } else if (c <= 0xFFFF) {
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
  } else {
    std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(c));
  }
  out.append(escape, escape + std::char_traits<char>::length(escape));
}

}  // namespace

std::u16string_view cutWhole(std::u16string_view text, std::size_t most) {
  if (text.size() <= most) return text;
  text = text.substr(0, most);
  if (!text.empty() && isHighSurrogate(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string escapedText(std::u16string_view text) {
  std::u16string shown;
  shown.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool pair = isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1]);
    const char32_t c = pair ? QChar::surrogateToUcs4(unit, text[i + 1]) : unit;
    if (c == U'\\') {
      shown += u"\\\\";
    } else if (isSteering(c)) {
      appendEscape(shown, c);
    } else {
      shown += unit;
      if (pair) shown += text[i + 1];
    }
    if (pair) ++i;
  }
  return shown;
}

}  // namespace app
