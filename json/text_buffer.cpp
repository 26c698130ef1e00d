#include "json/text_buffer.h"

#include <algorithm>
#include <cstring>

namespace json {

TextBuffer::TextBuffer() : units_(std::make_unique_for_overwrite<char16_t[]>(kInitialCapacity)) {
  units_[0] = 0;
}

void TextBuffer::grow(std::size_t count) {
  const std::size_t newCapacity = std::max(2 * capacity_, used_ + count + 8);
  auto units = std::make_unique_for_overwrite<char16_t[]>(newCapacity);
  std::memcpy(units.get(), units_.get(), (used_ + 1) * sizeof(char16_t));
  units_ = std::move(units);
  capacity_ = newCapacity;
}

void TextBuffer::append(const char16_t* units, std::size_t count) {
  if (count == 0) return;
  if (count >= capacity_ - used_) grow(count);
  std::memcpy(units_.get() + used_, units, count * sizeof(char16_t));
  used_ += count;
  units_[used_] = 0;
}

void TextBuffer::trimRight() {
  while (used_ > 0) {
    const char16_t last = units_[used_ - 1];
    if (last != u' ' && last != u'\r' && last != u'\n') break;
    units_[--used_] = 0;
  }
}

std::u16string_view TextBuffer::textToNul() const {
  const std::u16string_view all = text();
  return all.substr(0, all.find(u'\0'));
}

}  // namespace json
