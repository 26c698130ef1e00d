#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace json {

// Growable UTF-16 buffer; the content is always followed by a NUL unit.
class TextBuffer {
 public:
  static constexpr std::size_t kInitialCapacity = 32;

  TextBuffer() { units_.reserve(kInitialCapacity); }

  void append(const char16_t* units, std::size_t count) {
    if (count == 0) return;
    if (count >= capacity_ - units_.size()) grow(count);
    units_.append(units, count);
  }
  void append(std::u16string_view text) { append(text.data(), text.size()); }
  void append(char16_t unit) {
    if (capacity_ - units_.size() <= 1) grow(1);
    units_.push_back(unit);
  }
  // Grows as one append of count units would, so that appending them piecewise copies once.
  void reserveFor(std::size_t count) {
    if (count != 0 && count >= capacity_ - units_.size()) grow(count);
  }
  void reset() { units_.clear(); }
  void trimRight();
  void removeLast() {
    if (!units_.empty()) units_.pop_back();
  }

  [[nodiscard]] std::u16string_view text() const { return units_; }
  [[nodiscard]] std::u16string_view textToNul() const;
  [[nodiscard]] std::size_t used() const { return units_.size(); }
  [[nodiscard]] std::size_t capacity() const { return capacity_; }
  // Hands the content over without copying it and leaves the buffer as new.
  std::u16string take();

 private:
  void grow(std::size_t count);

  // Its size is the number of units in use; std::basic_string keeps the NUL after them and
  // its storage is reserved ahead, so growing never fills memory that is about to be written.
  std::u16string units_;
  std::size_t capacity_ = kInitialCapacity;
};

}  // namespace json
