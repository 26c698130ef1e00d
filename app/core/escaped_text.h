#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app {

// Text a device sent is data, never layout. These are the rules every front end shows it by;
// each adds only its own way of marking a cut.

// The first `most` UTF-16 units of text at most, never ending in half a surrogate pair.
std::u16string_view cutWhole(std::u16string_view text, std::size_t most);

// The text with every control character (C0, DEL, C1), every format character (category Cf:
// the bidirectional controls, U+061C, U+200B-U+200F, U+FEFF and the like), the line and
// paragraph separators and every lone surrogate written as a \xNN, \uNNNN or \UNNNNNNNN escape
// (upper-case hex), and a backslash doubled.
std::u16string escapedText(std::u16string_view text);

}  // namespace app
