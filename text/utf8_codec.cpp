#include "text/utf8_codec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace text {

namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The bytes a well-formed sequence may have in second place after its lead; the later
// ones are always 80 to BF.
struct LeadRule {
  std::uint8_t length;  // 0: never a lead byte
  std::uint8_t low;
  std::uint8_t high;
};

constexpr LeadRule leadRule(std::uint8_t lead) {
  if (lead < 0x80) return {1, 0, 0};
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

struct Sequence {
  std::size_t taken;  // bytes consumed: the whole sequence, or its maximal subpart
  char32_t code;      // kReplacement unless well-formed
  bool valid;
};

// The sequence that starts at bytes[i], which is not ASCII.
Sequence readSequence(std::string_view bytes, std::size_t i) {
  const auto lead = static_cast<std::uint8_t>(bytes[i]);
  const LeadRule rule = leadRule(lead);
  if (rule.length == 0) return {1, kReplacement, false};
  char32_t code = lead & (0x7FU >> rule.length);
  for (std::size_t k = 1; k < rule.length; ++k) {
    if (i + k >= bytes.size()) return {k, kReplacement, false};
    const auto next = static_cast<std::uint8_t>(bytes[i + k]);
    const std::uint8_t low = k == 1 ? rule.low : 0x80;
    const std::uint8_t high = k == 1 ? rule.high : 0xBF;
    if (next < low || next > high) return {k, kReplacement, false};
    code = (code << 6) | (next & 0x3FU);
  }
  return {rule.length, code, true};
}

// ASCII bytes from the start of bytes, widened into out; returns how many.
std::size_t widenAsciiRun(const char* bytes, std::size_t size, char16_t* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i zero = _mm_setzero_si128();
  while (i + 16 <= size) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
    const int high = _mm_movemask_epi8(chunk);
    if (high != 0) {
      const int ascii = __builtin_ctz(static_cast<unsigned>(high));
      for (int k = 0; k < ascii; ++k) out[i + k] = static_cast<unsigned char>(bytes[i + k]);
      return i + static_cast<std::size_t>(ascii);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_unpacklo_epi8(chunk, zero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_unpackhi_epi8(chunk, zero));
    i += 16;
  }
#endif
  while (i < size && static_cast<unsigned char>(bytes[i]) < 0x80) {
    out[i] = static_cast<unsigned char>(bytes[i]);
    ++i;
  }
  return i;
}

// Code units below 0x80 from the start of units; returns how many.
std::size_t asciiUnitRun(const char16_t* units, std::size_t size) {
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i highBits = _mm_set1_epi16(static_cast<short>(0xFF80));
  const __m128i zero = _mm_setzero_si128();
  while (i + 8 <= size) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(chunk, highBits), zero)) != 0xFFFF) break;
    i += 8;
  }
#endif
  while (i < size && units[i] < 0x80) ++i;
  return i;
}

void narrowAscii(const char16_t* units, std::size_t count, char* out) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= count; i += 16) {
    const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i));
    const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(units + i + 8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(low, high));
  }
#endif
  for (; i < count; ++i) out[i] = static_cast<char>(units[i]);
}

bool isHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// The code point at units[i] and how many units it takes; an unpaired surrogate is U+FFFD.
char32_t readCodePoint(std::u16string_view units, std::size_t i, std::size_t& taken) {
  const char32_t unit = units[i];
  taken = 1;
  if (isHighSurrogate(unit) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
    taken = 2;
    return 0x10000 + ((unit - 0xD800) << 10) + (units[i + 1] - 0xDC00U);
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) return kReplacement;
  return unit;
}

std::size_t encodedLength(char32_t code) {
  if (code < 0x80) return 1;
  if (code < 0x800) return 2;
  if (code < 0x10000) return 3;
  return 4;
}

}  // namespace

std::size_t decodeUtf8(std::string_view bytes, char16_t* out) {
  char16_t* const start = out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t ascii = widenAsciiRun(bytes.data() + i, bytes.size() - i, out);
    i += ascii;
    out += ascii;
    if (i == bytes.size()) break;
    const Sequence sequence = readSequence(bytes, i);
    i += sequence.taken;
    if (sequence.code >= 0x10000) {
      const char32_t offset = sequence.code - 0x10000;
      *out++ = static_cast<char16_t>(0xD800 + (offset >> 10));
      *out++ = static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
    } else {
      *out++ = static_cast<char16_t>(sequence.code);
    }
  }
  return static_cast<std::size_t>(out - start);
}

std::u16string utf8ToUtf16(std::string_view bytes) {
  std::u16string units(bytes.size(), u'\0');
  units.resize(decodeUtf8(bytes, units.data()));
  return units;
}

std::size_t completeUtf8Prefix(std::string_view bytes) {
  // A sequence is at most four bytes long: only the last three can belong to an open one.
  const std::size_t size = bytes.size();
  for (std::size_t back = 1; back <= 3 && back <= size; ++back) {
    const std::size_t lead = size - back;
    const auto byte = static_cast<std::uint8_t>(bytes[lead]);
    if (byte < 0x80) return size;
    if (byte >= 0xC0) {
      const Sequence sequence = readSequence(bytes, lead);
      const bool open = !sequence.valid && sequence.taken == back && leadRule(byte).length > back;
      return open ? lead : size;
    }
  }
  return size;
}

std::string utf16ToUtf8(std::u16string_view units) {
  // Sized exactly first, so that a large text is not over-allocated threefold.
  std::size_t length = 0;
  for (std::size_t i = 0; i < units.size();) {
    const std::size_t ascii = asciiUnitRun(units.data() + i, units.size() - i);
    length += ascii;
    i += ascii;
    if (i == units.size()) break;
    std::size_t taken = 0;
    length += encodedLength(readCodePoint(units, i, taken));
    i += taken;
  }
  std::string bytes(length, '\0');
  encodeUtf8(units, bytes.data());
  return bytes;
}

std::size_t encodeUtf8(std::u16string_view units, char* out) {
  char* const start = out;
  for (std::size_t i = 0; i < units.size();) {
    const std::size_t ascii = asciiUnitRun(units.data() + i, units.size() - i);
    narrowAscii(units.data() + i, ascii, out);
    out += ascii;
    i += ascii;
    if (i == units.size()) break;
    std::size_t taken = 0;
    const char32_t code = readCodePoint(units, i, taken);
    i += taken;
    const std::size_t count = encodedLength(code);
    static constexpr std::uint8_t kLeadMarks[] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (std::size_t k = count - 1; k > 0; --k) {
      out[k] = static_cast<char>(0x80 | ((code >> (6 * (count - 1 - k))) & 0x3F));
    }
    out[0] = static_cast<char>(kLeadMarks[count] | (code >> (6 * (count - 1))));
    out += count;
  }
  return static_cast<std::size_t>(out - start);
}

bool isValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const Sequence sequence = readSequence(bytes, i);
    if (!sequence.valid) return false;
    i += sequence.taken;
  }
  return true;
}

std::u16string latin1ToUtf16(std::string_view bytes) {
  std::u16string units(bytes.size(), u'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) units[i] = static_cast<unsigned char>(bytes[i]);
  return units;
}

}  // namespace text
