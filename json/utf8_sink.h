#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "text/utf8_codec.h"

namespace json {

// The writer's front end for UTF-8 text: ASCII goes in as it is, other code units encoded.
// The writer never splits a surrogate pair between two pieces, so encoding piece by piece
// gives the bytes that encoding the whole UTF-16 text would.
class Utf8Sink {
 public:
  explicit Utf8Sink(std::string& target) : target_(target) {}

  void put(char16_t unit) {
    if (unit < 0x80) {
      target_.push_back(static_cast<char>(unit));
    } else {
      put(&unit, 1);
    }
  }
  void put(const char16_t* units, std::size_t count) {
    std::size_t i = 0;
    while (i < count) {
      const std::size_t start = i;
      while (i < count && units[i] < 0x80) ++i;
      const std::size_t old = target_.size();
      target_.resize(old + i - start);
      for (std::size_t k = start; k < i; ++k)
        target_[old + k - start] = static_cast<char>(units[k]);
      const std::size_t wide = i;
      while (i < count && units[i] >= 0x80) ++i;
      if (i > wide) target_ += text::utf16ToUtf8({units + wide, i - wide});
    }
  }
  void put(std::u16string_view text) { put(text.data(), text.size()); }
  void putAscii(const char* text, std::size_t count) { target_.append(text, count); }
  void finish() {}

 private:
  std::string& target_;
};

}  // namespace json
