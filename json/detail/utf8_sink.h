#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

#include "text/utf8_codec.h"

namespace json::detail {

// The writer's front end for UTF-8 text: it encodes each piece straight into the target's
// storage, grown by doubling, and finish() cuts the target to what was written. The writer
// never splits a surrogate pair between two pieces, so encoding piece by piece gives the
// bytes that encoding the whole UTF-16 text would.
class Utf8Sink {
 public:
  explicit Utf8Sink(std::string& target) : target_(target) { target_.resize(kFirstBytes); }

  void put(char16_t unit) {
    if (unit < 0x80 && used_ < target_.size()) {
      target_[used_++] = static_cast<char>(unit);
    } else {
      put(&unit, 1);
    }
  }
  // Most pieces are short and ASCII: those are copied here, the rest is left to the codec.
  void put(const char16_t* units, std::size_t count) {
    makeRoom(3 * count);
    char* out = target_.data() + used_;
    std::size_t ascii = 0;
    for (; ascii < count && units[ascii] < 0x80; ++ascii)
      out[ascii] = static_cast<char>(units[ascii]);
    used_ += ascii;
    if (ascii < count) {
      used_ += text::encodeUtf8({units + ascii, count - ascii}, target_.data() + used_);
    }
  }
  void put(std::u16string_view text) { put(text.data(), text.size()); }
  void putAscii(const char* text, std::size_t count) {
    makeRoom(count);
    std::memcpy(target_.data() + used_, text, count);
    used_ += count;
  }
  void finish() { target_.resize(used_); }

 private:
  static constexpr std::size_t kFirstBytes = 4096;

  void makeRoom(std::size_t bytes) {
    if (target_.size() - used_ < bytes) target_.resize(std::max(2 * target_.size(), used_ + bytes));
  }

  std::string& target_;
  std::size_t used_ = 0;
};

}  // namespace json::detail
