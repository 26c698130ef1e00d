#include "json/utf8.h"

#include <cstdint>
#include <cstring>

namespace json {

namespace {
constexpr char16_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Number of units below 0x80 from start on, found four at a time: most text is ASCII.
std::size_t asciiRun(std::u16string_view text, std::size_t start) {
  constexpr std::uint64_t kHighBits = 0xFF80FF80FF80FF80ULL;
  std::size_t i = start;
  while (i + 4 <= text.size()) {
    std::uint64_t four = 0;
    std::memcpy(&four, text.data() + i, sizeof four);
    if ((four & kHighBits) != 0) break;
    i += 4;
  }
  while (i < text.size() && text[i] < 0x80) ++i;
  return i - start;
}
}  // namespace

std::u16string utf8ToUtf16(std::string_view bytes) {
  // Never more code units than bytes: write in place, then cut to the length used.
  std::u16string text(bytes.size(), u'\0');
  char16_t* out = text.data();
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      *out++ = lead;
      ++i;
      continue;
    }
    std::size_t length = 0;
    std::uint32_t code = 0;
    std::uint32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1FU;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0FU;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07U;
      minimum = 0x10000;
    }
    std::size_t taken = 1;
    while (length != 0 && taken < length && i + taken < bytes.size() &&
           isContinuation(static_cast<unsigned char>(bytes[i + taken]))) {
      code = (code << 6) | (static_cast<unsigned char>(bytes[i + taken]) & 0x3FU);
      ++taken;
    }
    const bool valid = length != 0 && taken == length && code >= minimum && code <= 0x10FFFF &&
                       (code < 0xD800 || code > 0xDFFF);
    if (!valid) {
      *out++ = kReplacement;
      i += taken;
      continue;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (code >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(code);
    }
    i += length;
  }
  text.resize(static_cast<std::size_t>(out - text.data()));
  return text;
}

std::string utf16ToUtf8(std::u16string_view text) {
  // Sized exactly first, so that a large text is not over-allocated threefold.
  std::size_t length = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t ascii = asciiRun(text, i);
    length += ascii;
    i += ascii;
    if (i == text.size()) break;
    const char16_t unit = text[i];
    if (unit < 0x80) {
      length += 1;
    } else if (unit < 0x800) {
      length += 2;
    } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
               text[i + 1] <= 0xDFFF) {
      length += 4;
      ++i;
    } else {
      length += 3;
    }
  }
  std::string bytes(length, '\0');
  char* out = bytes.data();
  const auto put = [&out](std::uint32_t byte) { *out++ = static_cast<char>(byte); };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::size_t ascii = asciiRun(text, i);
    for (std::size_t k = 0; k < ascii; ++k) out[k] = static_cast<char>(text[i + k]);
    out += ascii;
    i += ascii;
    if (i == text.size()) break;
    std::uint32_t code = text[i];
    if (code < 0x80) {
      put(code);
      continue;
    }
    if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00U);
      ++i;
    } else if (code >= 0xD800 && code <= 0xDFFF) {
      code = kReplacement;
    }
    if (code < 0x800) {
      put(0xC0 | (code >> 6));
    } else if (code < 0x10000) {
      put(0xE0 | (code >> 12));
      put(0x80 | ((code >> 6) & 0x3F));
    } else {
      put(0xF0 | (code >> 18));
      put(0x80 | ((code >> 12) & 0x3F));
      put(0x80 | ((code >> 6) & 0x3F));
    }
    put(0x80 | (code & 0x3F));
  }
  bytes.resize(static_cast<std::size_t>(out - bytes.data()));
  return bytes;
}

}  // namespace json
