#include "app/cli/terminal_text.h"

#include <cstdio>

namespace app::cli {
namespace {

bool isControl(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
         (c >= 0x200E && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069);
}

std::u16string escapeOf(char16_t c) {
  char escape[8];
  if (c <= 0xFF) {
    std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(c));
  } else {
    std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
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
    if (!text.empty() && text.back() >= 0xD800 && text.back() <= 0xDBFF) text.remove_suffix(1);
  }
  for (const char16_t c : text) {
    if (c == u'\\') {
      shown += u"\\\\";
    } else if (isControl(c)) {
      shown += escapeOf(c);
    } else {
      shown += c;
    }
  }
  if (cut) shown += u"...";
  return shown;
}

}  // namespace app::cli
