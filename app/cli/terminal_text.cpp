#include "app/cli/terminal_text.h"

#include <QChar>
#include <cstdio>

namespace app::cli {
namespace {

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters that steer a terminal or the direction of the text instead of showing:
// controls, format characters (bidi marks and isolates, U+061C, U+FEFF, tags), the line and
// paragraph separators, and surrogates that are not half of a pair.
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

std::u16string escapeOf(char32_t c) {
  char escape[16];
  if (c <= 0xFF) {
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
  } else if (c <= 0xFFFF) {
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
  } else {
    std::snprintf(escape, sizeof escape, "\\U%08X", static_cast<unsigned>(c));
  }
  return {escape, escape + std::char_traits<char>::length(escape)};
}

}  // namespace

std::u16string escapedDeviceText(std::u16string_view text, std::size_t most) {
  std::u16string shown;
  const bool cut = text.size() > most;
  if (cut) {
    text = text.substr(0, most);
    // Half a surrogate pair is no character.
    if (!text.empty() && isHighSurrogate(text.back())) text.remove_suffix(1);
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const bool pair = isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(text[i + 1]);
    const char32_t c = pair ? QChar::surrogateToUcs4(unit, text[i + 1]) : unit;
    if (c == U'\\') {
      shown += u"\\\\";
    } else if (isSteering(c)) {
      shown += escapeOf(c);
    } else {
      shown += unit;
      if (pair) shown += text[i + 1];
    }
    if (pair) ++i;
  }
  if (cut) shown += u"...";
  return shown;
}

}  // namespace app::cli
