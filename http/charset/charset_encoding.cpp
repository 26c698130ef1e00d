#include "http/charset/charset_encoding.h"

#include <unicode/ucnv.h>

#include <memory>
#include <optional>

#include "http/base/stream_bytes.h"
#include "http/charset/charset_aliases.h"
#include "http/charset/latin10.h"

namespace http {
namespace {

struct ConverterCloser {
  void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

bool isCharsetNameCharacter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         std::u16string_view(u"-_.:+()").find(c) != std::u16string_view::npos;
}

// Charset names come from the peer. ICU reads an empty name as "the platform default", options
// after a comma and file paths, so only the characters of registered charset names pass; any
// other name falls back to 8-bit.
std::optional<std::string> converterName(std::u16string_view charset) {
  if (charset.empty() || charset.size() > UCNV_MAX_CONVERTER_NAME_LENGTH) return std::nullopt;
  std::string name;
  name.reserve(charset.size());
  for (const char16_t c : charset) {
    if (!isCharsetNameCharacter(c)) return std::nullopt;
    name.push_back(static_cast<char>(c));
  }
  if (const auto target = registeredAliasTarget(name)) return std::string(*target);
  return name;
}

Converter openConverter(const std::string& name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name.c_str(), &status));
  if (U_FAILURE(status) != 0) return nullptr;
  return converter;
}

std::u16string decode8Bit(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (const char c : bytes) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return text;
}

std::string encode8Bit(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (const char16_t c : text) bytes.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
  return bytes;
}

}  // namespace

bool isKnownCharset(std::u16string_view charset) {
  const std::optional<std::string> name = converterName(charset);
  return name && (*name == kIso8859_16 || openConverter(*name) != nullptr);
}

std::u16string decodeCharset(std::string_view bytes, std::u16string_view charset) {
  const std::optional<std::string> name = converterName(charset);
  if (!name) return decode8Bit(bytes);
  if (*name == kIso8859_16) return decodeLatin10(bytes);
  const Converter converter = openConverter(*name);
  if (!converter) return decode8Bit(bytes);

  std::u16string text;
  text.resize(bytes.size() + 16);
  const char* source = bytes.data();
  const char* const sourceEnd = bytes.data() + bytes.size();
  std::size_t written = 0;
  for (;;) {
    UChar* const targetStart = reinterpret_cast<UChar*>(text.data()) + written;
    UChar* target = targetStart;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_toUnicode(converter.get(), &target, reinterpret_cast<UChar*>(text.data()) + text.size(),
                   &source, sourceEnd, nullptr, static_cast<UBool>(true), &status);
    written += static_cast<std::size_t>(target - targetStart);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      text.resize(text.size() * 2);
      continue;
    }
    // Every other failure has already produced substitution characters for what was read.
    break;
  }
  text.resize(written);
  return text;
}

std::u16string decodeCharset(Stream& stream, std::u16string_view charset) {
  return decodeCharset(readToEnd(stream), charset);
}

std::string encodeCharset(std::u16string_view text, std::u16string_view charset) {
  const std::optional<std::string> name = converterName(charset);
  if (!name) return encode8Bit(text);
  if (*name == kIso8859_16) return encodeLatin10(text);
  const Converter converter = openConverter(*name);
  if (!converter) return encode8Bit(text);

  UErrorCode substStatus = U_ZERO_ERROR;
  ucnv_setSubstChars(converter.get(), "?", 1, &substStatus);  // keeps ICU's own when refused

  std::string bytes;
  bytes.resize(text.size() * static_cast<std::size_t>(ucnv_getMaxCharSize(converter.get())) + 16);
  const auto* source = reinterpret_cast<const UChar*>(text.data());
  const UChar* const sourceEnd = source + text.size();
  std::size_t written = 0;
  for (;;) {
    char* const targetStart = bytes.data() + written;
    char* target = targetStart;
    UErrorCode status = U_ZERO_ERROR;
    ucnv_fromUnicode(converter.get(), &target, bytes.data() + bytes.size(), &source, sourceEnd,
                     nullptr, static_cast<UBool>(true), &status);
    written += static_cast<std::size_t>(target - targetStart);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
      bytes.resize(bytes.size() * 2);
      continue;
    }
    break;
  }
  bytes.resize(written);
  return bytes;
}

const std::shared_ptr<const CharsetEncoding>& defaultAnsiEncoding() {
  static const std::shared_ptr<const CharsetEncoding> encoding =
      charsetEncoding(kDefaultAnsiCharset);
  return encoding;
}

std::shared_ptr<const CharsetEncoding> charsetEncoding(std::u16string_view charset) {
  return std::make_shared<const CharsetEncoding>(std::u16string(charset));
}

}  // namespace http
