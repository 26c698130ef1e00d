#include "http/charset/charset_xml.h"

#include <array>
#include <cstdint>
#include <optional>

#include "http/base/ascii_text.h"
#include "http/base/stream_bytes.h"
#include "http/charset/charset_encoding.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

constexpr std::u16string_view kDefaultCharset = u"UTF-8";

using Prefix = std::array<std::uint8_t, 4>;

struct ByteOrderMark {
  Prefix bytes;
  std::size_t length;
  std::u16string_view charset;
};

// Longer marks first: FF FE 00 00 must not be taken for the UTF-16 mark FF FE.
constexpr std::array<ByteOrderMark, 7> kByteOrderMarks{{
    {{0x00, 0x00, 0xFE, 0xFF}, 4, u"UCS-4BE"},
    {{0x00, 0x00, 0xFF, 0xFE}, 4, u""},  // UCS-4, octet order 2143
    {{0xFF, 0xFE, 0x00, 0x00}, 4, u"UCS-4LE"},
    {{0xFE, 0xFF, 0x00, 0x00}, 4, u""},  // UCS-4, octet order 3412
    {{0xFE, 0xFF}, 2, u"UTF-16BE"},
    {{0xFF, 0xFE}, 2, u"UTF-16LE"},
    {{0xEF, 0xBB, 0xBF}, 3, u"UTF-8"},
}};

enum class DeclarationForm { Ucs4, Utf16BigEndian, Utf16LittleEndian, EightBit, Ebcdic };

struct DeclarationStart {
  Prefix bytes;
  DeclarationForm form;
  std::size_t ucs4Offset;  // which byte of a four-byte group holds the character
};

constexpr std::array<DeclarationStart, 8> kDeclarationStarts{{
    {{0x00, 0x00, 0x00, 0x3C}, DeclarationForm::Ucs4, 3},
    {{0x3C, 0x00, 0x00, 0x00}, DeclarationForm::Ucs4, 0},
    {{0x00, 0x00, 0x3C, 0x00}, DeclarationForm::Ucs4, 2},
    {{0x00, 0x3C, 0x00, 0x00}, DeclarationForm::Ucs4, 1},
    {{0x00, 0x3C, 0x00, 0x3F}, DeclarationForm::Utf16BigEndian, 0},
    {{0x3C, 0x00, 0x3F, 0x00}, DeclarationForm::Utf16LittleEndian, 0},
    {{0x3C, 0x3F, 0x78, 0x6D}, DeclarationForm::EightBit, 0},
    {{0x4C, 0x6F, 0xA7, 0x94}, DeclarationForm::Ebcdic, 0},
}};

std::uint8_t byteAt(std::string_view body, std::size_t index) {
  return static_cast<std::uint8_t>(body[index]);
}

bool startsWith(std::string_view body, const Prefix& prefix, std::size_t length) {
  if (body.size() < length) return false;
  for (std::size_t i = 0; i < length; ++i) {
    if (byteAt(body, i) != prefix.at(i)) return false;
  }
  return true;
}

// The declaration's characters from the start up to and including the first ">".
std::u16string readDeclaration(std::string_view body, const DeclarationStart& start) {
  std::u16string text;
  switch (start.form) {
    case DeclarationForm::Ucs4:
      for (std::size_t i = 0; i + 4 <= body.size(); i += 4) {
        text.push_back(byteAt(body, i + start.ucs4Offset));
        if (text.back() == u'>') break;
      }
      break;
    case DeclarationForm::Utf16BigEndian:
    case DeclarationForm::Utf16LittleEndian: {
      const bool bigEndian = start.form == DeclarationForm::Utf16BigEndian;
      for (std::size_t i = 0; i + 2 <= body.size(); i += 2) {
        const auto high = byteAt(body, bigEndian ? i : i + 1);
        const auto low = byteAt(body, bigEndian ? i + 1 : i);
        text.push_back(static_cast<char16_t>((high << 8U) | low));
        if (text.back() == u'>') break;
      }
      break;
    }
    case DeclarationForm::EightBit: {
      const std::size_t end = body.find('>');
      text = text::utf8ToUtf16(body.substr(0, end == std::string_view::npos ? end : end + 1));
      break;
    }
    case DeclarationForm::Ebcdic: {
      constexpr char kEbcdicGreaterThan = 0x6E;
      const std::size_t end = body.find(kEbcdicGreaterThan);
      text =
          decodeCharset(body.substr(0, end == std::string_view::npos ? end : end + 1), u"IBM037");
      break;
    }
  }
  return text;
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// The value of encoding="..." (or '...') in a declaration, trimmed; nothing when absent.
std::optional<std::u16string> encodingOf(std::u16string_view declaration) {
  std::size_t pos = declaration.find(u"encoding");
  if (pos == std::u16string_view::npos) return std::nullopt;
  pos += 8;
  while (pos < declaration.size() && isBlank(declaration[pos])) ++pos;
  if (pos >= declaration.size() || declaration[pos] != u'=') return std::nullopt;
  ++pos;
  while (pos < declaration.size() && isBlank(declaration[pos])) ++pos;
  if (pos >= declaration.size() || (declaration[pos] != u'"' && declaration[pos] != u'\'')) {
    return std::nullopt;
  }
  const std::size_t close = declaration.find(declaration[pos], pos + 1);
  if (close == std::u16string_view::npos) return std::nullopt;
  return trim(declaration.substr(pos + 1, close - pos - 1));
}

}  // namespace

std::u16string detectXmlCharset(std::string_view body) {
  if (body.size() < 3) return std::u16string(kDefaultCharset);
  for (const ByteOrderMark& mark : kByteOrderMarks) {
    if (startsWith(body, mark.bytes, mark.length)) return std::u16string(mark.charset);
  }
  if (body.size() < 4) return std::u16string(kDefaultCharset);
  for (const DeclarationStart& start : kDeclarationStarts) {
    if (!startsWith(body, start.bytes, 4)) continue;
    const std::optional<std::u16string> encoding = encodingOf(readDeclaration(body, start));
    if (encoding && !encoding->empty()) return *encoding;
    break;
  }
  return std::u16string(kDefaultCharset);
}

std::u16string detectXmlCharset(Stream& body) { return detectXmlCharset(readWhole(body)); }

}  // namespace http
