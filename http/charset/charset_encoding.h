#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "http/base/stream.h"
#include "http/base/text_encoding.h"

namespace http {

// Text conversion by IANA charset name (aliases included) through ICU. An empty name, or one
// that names no known charset, converts 8-bit: each byte is the character of the same number,
// and a character above U+00FF is written as "?".
[[nodiscard]] std::u16string decodeCharset(std::string_view bytes, std::u16string_view charset);
// Decodes the stream from its position to its end; the position ends at the end.
[[nodiscard]] std::u16string decodeCharset(Stream& stream, std::u16string_view charset);
// Characters that the charset cannot represent are written as its substitution ("?" where the
// charset allows it).
[[nodiscard]] std::string encodeCharset(std::u16string_view text, std::u16string_view charset);

// True when the name selects a real charset rather than the 8-bit fallback.
[[nodiscard]] bool isKnownCharset(std::u16string_view charset);

// A charset chosen once by name, for code that passes an encoding around.
class CharsetEncoding final : public TextEncoding {
 public:
  explicit CharsetEncoding(std::u16string charset) : charset_(std::move(charset)) {}

  [[nodiscard]] const std::u16string& charset() const noexcept { return charset_; }
  [[nodiscard]] std::u16string decode(std::string_view bytes) const override {
    return decodeCharset(bytes, charset_);
  }
  [[nodiscard]] std::string encode(std::u16string_view text) const override {
    return encodeCharset(text, charset_);
  }

 private:
  std::u16string charset_;
};

// The system's default 8-bit code page: windows-1250 (Central European).
inline constexpr std::u16string_view kDefaultAnsiCharset = u"windows-1250";
[[nodiscard]] const std::shared_ptr<const CharsetEncoding>& defaultAnsiEncoding();

// The encoding for a charset name (the 8-bit fallback for an empty or unknown one).
[[nodiscard]] std::shared_ptr<const CharsetEncoding> charsetEncoding(std::u16string_view charset);

}  // namespace http
