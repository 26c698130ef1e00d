#include "json/detail/text_buffer.h"

#include <algorithm>
#include <cstring>

namespace json::detail {

void TextBuffer::grow(std::size_t count) {
  units_.resize(std::max(2 * units_.size(), used_ + count + 8));
}

void TextBuffer::append(const char16_t* units, std::size_t count) {
  if (count == 0) return;
  if (count >= units_.size() - used_) grow(count);
  std::memcpy(units_.data() + used_, units, count * sizeof(char16_t));
  used_ += count;
  units_[used_] = 0;
}

void TextBuffer::append(const std::vector<std::u16string_view>& pieces) {
  std::size_t total = 0;
  for (const std::u16string_view piece : pieces) total += piece.size();
  if (total == 0) return;
  if (total < units_.size() - used_) {
    for (const std::u16string_view piece : pieces) append(piece);
    return;
  }
  const std::size_t capacity = std::max(2 * units_.size(), used_ + total + 8);
  std::u16string grown;
  grown.reserve(capacity);
  grown.append(units_.data(), used_);
  for (const std::u16string_view piece : pieces) grown.append(piece);
  grown.resize(capacity);  // only the room after the content is cleared
  units_ = std::move(grown);
  used_ += total;
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

std::u16string TextBuffer::take() {
  std::u16string content = std::move(units_);
  content.resize(used_);
  units_.assign(kInitialCapacity, u'\0');
  used_ = 0;
  return content;
}

}  // namespace json::detail
