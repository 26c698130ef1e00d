#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace http {

// Converts text to bytes and back for line reads and text writes. Implementations must be
// usable from any thread (no per-call state).
class TextEncoding {
 public:
  TextEncoding() = default;
  TextEncoding(const TextEncoding&) = delete;
  TextEncoding& operator=(const TextEncoding&) = delete;
  virtual ~TextEncoding() = default;

  [[nodiscard]] virtual std::string encode(std::u16string_view text) const = 0;
  [[nodiscard]] virtual std::u16string decode(std::string_view bytes) const = 0;
};

// 7-bit ASCII: bytes above 127 decode to U+FFFD, characters above 127 encode to '?'.
class AsciiEncoding final : public TextEncoding {
 public:
  [[nodiscard]] std::string encode(std::u16string_view text) const override;
  [[nodiscard]] std::u16string decode(std::string_view bytes) const override;
};

// UTF-8; malformed input and unpaired surrogates become U+FFFD.
class Utf8Encoding final : public TextEncoding {
 public:
  [[nodiscard]] std::string encode(std::u16string_view text) const override;
  [[nodiscard]] std::u16string decode(std::string_view bytes) const override;
};

// Shared instances.
const std::shared_ptr<const TextEncoding>& asciiEncoding();
const std::shared_ptr<const TextEncoding>& utf8Encoding();

}  // namespace http
