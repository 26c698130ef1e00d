#pragma once

#include <array>
#include <cstddef>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace json::detail {

// The writer's escape routines, over any sink with put(unit) and put(units, count).

inline constexpr std::array<char16_t, 16> kHexDigits{
    u'0', u'1', u'2', u'3', u'4', u'5', u'6', u'7', u'8', u'9', u'a', u'b', u'c', u'd', u'e', u'f'};

template <typename Sink>
void appendUnicodeEscape(Sink& writer, char16_t unit) {
  const std::array<char16_t, 6> escape{u'\\',
                                       u'u',
                                       kHexDigits[(unit >> 12) & 0xF],
                                       kHexDigits[(unit >> 8) & 0xF],
                                       kHexDigits[(unit >> 4) & 0xF],
                                       kHexDigits[unit & 0xF]};
  writer.put(escape.data(), escape.size());
}

inline bool staysInFull(char16_t unit) {
  return unit >= 32 && unit <= 127 && unit != u'"' && unit != u'\\' && unit != u'/';
}

// The units from start on that escape-on writes as they are, eight at a time where it can.
inline std::size_t plainRunForFull(std::u16string_view text, std::size_t start) {
  std::size_t i = start;
#if defined(__SSE2__)
  const __m128i below = _mm_set1_epi16(32);
  const __m128i above = _mm_set1_epi16(127);
  const __m128i quote = _mm_set1_epi16(u'"');
  const __m128i backslash = _mm_set1_epi16(u'\\');
  const __m128i slash = _mm_set1_epi16(u'/');
  while (i + 8 <= text.size()) {
    const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + i));
    // Units of 0x8000 and above compare as negative, so they fall below 32 here.
    __m128i special = _mm_or_si128(_mm_cmplt_epi16(units, below), _mm_cmpgt_epi16(units, above));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, quote));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, backslash));
    special = _mm_or_si128(special, _mm_cmpeq_epi16(units, slash));
    if (_mm_movemask_epi8(special) != 0) break;
    i += 8;
  }
#endif
  while (i < text.size() && staysInFull(text[i])) ++i;
  return i - start;
}

// Escape on: the text comes out as 7-bit ASCII.
template <typename Sink>
void escapeFull(Sink& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    i += plainRunForFull(text, i);
    if (i == text.size()) break;
    const char16_t unit = text[i];
    writer.put(text.data() + runStart, i - runStart);
    runStart = i + 1;
    char16_t shortForm = 0;
    switch (unit) {
      case 8:
        shortForm = u'b';
        break;
      case u'\t':
        shortForm = u't';
        break;
      case u'\n':
        shortForm = u'n';
        break;
      case 12:
        shortForm = u'f';
        break;
      case u'\r':
        shortForm = u'r';
        break;
      case u'"':
      case u'\\':
      case u'/':
        shortForm = unit;
        break;
      default:
        break;
    }
    if (shortForm != 0) {
      const std::array<char16_t, 2> escape{u'\\', shortForm};
      writer.put(escape.data(), escape.size());
    } else {
      appendUnicodeEscape(writer, unit);
    }
  }
  writer.put(text.data() + runStart, text.size() - runStart);
}

// Escape off: only what would break the string is escaped; the rest stays raw.
template <typename Sink>
void escapeMinimal(Sink& writer, std::u16string_view text) {
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit != 0 && unit != u'"' && unit != u'\\') continue;
    writer.put(text.data() + runStart, i - runStart);
    runStart = i + 1;
    if (unit == 0) {
      appendUnicodeEscape(writer, unit);
    } else {
      const std::array<char16_t, 2> escape{u'\\', unit};
      writer.put(escape.data(), escape.size());
    }
  }
  writer.put(text.data() + runStart, text.size() - runStart);
}

template <typename Sink>
void writeText(Sink& writer, std::u16string_view text, bool escape) {
  writer.put(u'"');
  if (escape) {
    escapeFull(writer, text);
  } else {
    escapeMinimal(writer, text);
  }
  writer.put(u'"');
}

}  // namespace json::detail
