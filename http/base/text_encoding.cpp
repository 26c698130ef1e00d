#include "http/base/text_encoding.h"

#include "text/utf8_codec.h"

namespace http {

std::string AsciiEncoding::encode(std::u16string_view text) const {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    // A surrogate pair is one character and becomes one '?'.
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      ++i;
    }
    bytes.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return bytes;
}

std::u16string AsciiEncoding::decode(std::string_view bytes) const {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto value = static_cast<unsigned char>(byte);
    text.push_back(value < 0x80 ? static_cast<char16_t>(value) : u'\uFFFD');
  }
  return text;
}

std::string Utf8Encoding::encode(std::u16string_view text) const { return text::utf16ToUtf8(text); }

std::u16string Utf8Encoding::decode(std::string_view bytes) const {
  return text::utf8ToUtf16(bytes);
}

const std::shared_ptr<const TextEncoding>& asciiEncoding() {
  static const std::shared_ptr<const TextEncoding> instance = std::make_shared<AsciiEncoding>();
  return instance;
}

const std::shared_ptr<const TextEncoding>& utf8Encoding() {
  static const std::shared_ptr<const TextEncoding> instance = std::make_shared<Utf8Encoding>();
  return instance;
}

}  // namespace http
