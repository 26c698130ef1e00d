#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "json/detail/text_buffer.h"

namespace json::detail {

// The writer's front end to a TextBuffer. The many short pieces of a document are gathered in
// blocks, and finish() hands them on after growing the buffer once: a large document is then
// neither copied again on every doubling nor held in one ever larger allocation.
class JsonSink {
 public:
  explicit JsonSink(TextBuffer& target) : target_(target) {}
  JsonSink(const JsonSink&) = delete;
  JsonSink& operator=(const JsonSink&) = delete;
  ~JsonSink() = default;

  void put(char16_t unit) {
    if (used_ == size_) nextBlock();
    block_[used_++] = unit;
  }
  void put(const char16_t* units, std::size_t count) { copyIn(units, count); }
  void put(std::u16string_view text) { copyIn(text.data(), text.size()); }
  // ASCII text widened unit by unit.
  void putAscii(const char* text, std::size_t count) { copyIn(text, count); }
  // Appends everything gathered to the buffer.
  void finish();

 private:
  static constexpr std::size_t kFirstBlockUnits = 4096;
  static constexpr std::size_t kBlockUnits = 32768;  // stays below the allocator's mmap size

  template <typename Unit>
  void copyIn(const Unit* units, std::size_t count) {
    while (count > size_ - used_) {
      const std::size_t room = size_ - used_;
      copyUnits(units, room, block_ + used_);
      used_ = size_;
      units += room;
      count -= room;
      nextBlock();
    }
    copyUnits(units, count, block_ + used_);
    used_ += count;
  }
  template <typename Unit>
  static void copyUnits(const Unit* units, std::size_t count, char16_t* out) {
    if constexpr (sizeof(Unit) == 2) {
      if (count != 0) std::memcpy(out, units, count * sizeof(char16_t));
      return;
    }
    for (std::size_t i = 0; i < count; ++i) {
      if constexpr (sizeof(Unit) == 1) {
        out[i] = static_cast<unsigned char>(units[i]);
      } else {
        out[i] = units[i];
      }
    }
  }
  void nextBlock();

  TextBuffer& target_;
  std::array<char16_t, kFirstBlockUnits> first_;  // NOLINT(cppcoreguidelines-pro-type-member-init)
  std::vector<std::unique_ptr<char16_t[]>> spilled_;  // every one but the last is full
  char16_t* block_ = first_.data();
  std::size_t size_ = kFirstBlockUnits;
  std::size_t used_ = 0;
};

}  // namespace json::detail
