#include "json/text_buffer.h"

#include <algorithm>

namespace json {

void TextBuffer::grow(std::size_t count) {
  capacity_ = std::max(2 * capacity_, units_.size() + count + 8);
  units_.reserve(capacity_);
}

void TextBuffer::trimRight() {
  while (!units_.empty()) {
    const char16_t last = units_.back();
    if (last != u' ' && last != u'\r' && last != u'\n') break;
    units_.pop_back();
  }
}

std::u16string_view TextBuffer::textToNul() const {
  const std::u16string_view all = text();
  return all.substr(0, all.find(u'\0'));
}

std::u16string TextBuffer::take() {
  std::u16string content = std::move(units_);
  units_ = std::u16string();
  units_.reserve(kInitialCapacity);
  capacity_ = kInitialCapacity;
  return content;
}

}  // namespace json
