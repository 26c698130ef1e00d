#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace app::cli {

// Text from a device is data, never layout: the longest part of it a line shows.
inline constexpr std::size_t kMostDeviceTextShown = 200;

// The text with every control character (C0, DEL, C1), every format character (the
// bidirectional controls, U+061C, U+200B-U+200F, U+FEFF and the like), the line and paragraph
// separators and every lone surrogate written as a \xNN, \uNNNN or \UNNNNNNNN escape and a
// backslash doubled, cut after `most` UTF-16 units with "..." added.
std::u16string escapedDeviceText(std::u16string_view text, std::size_t most = kMostDeviceTextShown);

}  // namespace app::cli
