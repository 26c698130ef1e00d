#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace json::detail {

// Growable UTF-16 buffer; the content is always followed by a NUL unit.
class TextBuffer {
 public:
  static constexpr std::size_t kInitialCapacity = 32;

  TextBuffer() : units_(kInitialCapacity, u'\0') {}

  void append(const char16_t* units, std::size_t count);
  void append(std::u16string_view text) { append(text.data(), text.size()); }
  // Appends the pieces in order as one append of their total would, without clearing the
  // memory they are about to fill first.
  void append(const std::vector<std::u16string_view>& pieces);
  void append(char16_t unit) {
    if (units_.size() - used_ <= 1) grow(1);
    units_[used_++] = unit;
    units_[used_] = 0;
  }
  void reset() {
    used_ = 0;
    units_[0] = 0;
  }
  void trimRight();
  void removeLast() {
    if (used_ > 0) units_[--used_] = 0;
  }

  [[nodiscard]] std::u16string_view text() const { return {units_.data(), used_}; }
  [[nodiscard]] std::u16string_view textToNul() const;
  [[nodiscard]] std::size_t used() const { return used_; }
  [[nodiscard]] std::size_t capacity() const { return units_.size(); }
  // Hands the content over without copying it and leaves the buffer as new.
  std::u16string take();

 private:
  void grow(std::size_t count);

  std::u16string units_;  // its size is the capacity
  std::size_t used_ = 0;
};

}  // namespace json::detail
