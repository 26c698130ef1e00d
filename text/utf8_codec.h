#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// UTF-8 <-> UTF-16 at the edges of the libraries. Malformed UTF-8 becomes one U+FFFD per
// maximal subpart (the longest start of a well-formed sequence, or else one byte), as the
// Unicode standard and the WHATWG decoder replace it; an unpaired surrogate becomes U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);
std::string utf16ToUtf8(std::u16string_view units);

// Decodes into out, which has room for bytes.size() units (never more are needed); returns
// the number written.
std::size_t decodeUtf8(std::string_view bytes, char16_t* out);
// Encodes into out, which has room for 3 x units.size() bytes (never more are needed);
// returns the number written.
std::size_t encodeUtf8(std::u16string_view units, char* out);
// The length of the longest start of bytes that does not end inside a sequence that more
// bytes could still complete: where a stream of UTF-8 may be cut and decoded piece by piece.
std::size_t completeUtf8Prefix(std::string_view bytes);

// True when bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Each byte becomes the code unit of the same number (ISO 8859-1).
std::u16string latin1ToUtf16(std::string_view bytes);

}  // namespace text
