#include "http/base/ascii_text.h"

namespace http {

std::u16string toLowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = toLowerAscii(c);
  return out;
}

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
  }
  return true;
}

bool startsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) noexcept {
  return text.size() >= prefix.size() && equalsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool endsWithIgnoreCase(std::u16string_view text, std::u16string_view suffix) noexcept {
  return text.size() >= suffix.size() &&
         equalsIgnoreCase(text.substr(text.size() - suffix.size()), suffix);
}

std::u16string_view trimView(std::u16string_view text) noexcept {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && text[begin] <= u' ') ++begin;
  while (end > begin && text[end - 1] <= u' ') --end;
  return text.substr(begin, end - begin);
}

}  // namespace http
