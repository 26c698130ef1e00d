#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#include "json/text_buffer.h"

namespace json {

// The writer's front end to a TextBuffer: gathers the many short pieces of a document in a
// fixed block and hands them on a block at a time.
class JsonSink {
 public:
  explicit JsonSink(TextBuffer& target) : target_(target) {}
  JsonSink(const JsonSink&) = delete;
  JsonSink& operator=(const JsonSink&) = delete;
  ~JsonSink() { flush(); }

  void put(char16_t unit) {
    if (used_ == kBlockUnits) flush();
    block_[used_++] = unit;
  }
  void put(const char16_t* units, std::size_t count) {
    if (count > kBlockUnits - used_) {
      flush();
      if (count >= kBlockUnits / 2) {
        target_.append(units, count);
        return;
      }
    }
    char16_t* out = block_.data() + used_;
    for (std::size_t i = 0; i < count; ++i) out[i] = units[i];
    used_ += count;
  }
  void put(std::u16string_view text) { put(text.data(), text.size()); }
  // ASCII text widened unit by unit.
  void putAscii(const char* text, std::size_t count) {
    if (count > kBlockUnits - used_) flush();
    char16_t* out = block_.data() + used_;
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(text[i]);
    used_ += count;
  }
  void flush() {
    target_.append(block_.data(), used_);
    used_ = 0;
  }

 private:
  static constexpr std::size_t kBlockUnits = 4096;

  TextBuffer& target_;
  std::size_t used_ = 0;
  std::array<char16_t, kBlockUnits> block_;  // NOLINT(cppcoreguidelines-pro-type-member-init)
};

}  // namespace json
