#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace json {

// Growable UTF-16 buffer; the content is always followed by a NUL unit.
class TextBuffer {
 public:
  static constexpr std::size_t kInitialCapacity = 32;

  TextBuffer();

  void append(const char16_t* units, std::size_t count);
  void append(std::u16string_view text) { append(text.data(), text.size()); }
  void append(char16_t unit) {
    if (capacity_ - used_ <= 1) grow(1);
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

  [[nodiscard]] std::u16string_view text() const { return {units_.get(), used_}; }
  [[nodiscard]] std::u16string_view textToNul() const;
  [[nodiscard]] std::size_t used() const { return used_; }
  [[nodiscard]] std::size_t capacity() const { return capacity_; }

 private:
  void grow(std::size_t count);

  std::unique_ptr<char16_t[]> units_;
  std::size_t used_ = 0;
  std::size_t capacity_ = kInitialCapacity;
};

}  // namespace json
