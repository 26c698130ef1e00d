#pragma once

#include <cstdint>
#include <string_view>

namespace app {

// The platform's text-to-integer conversion: leading blanks, one optional sign, then either
// a hex prefix ("$", "x", "X", "0x", "0X") with up to eight hex digits taken as a 32-bit
// pattern, or decimal digits within the signed 32-bit range. Anything else, trailing blanks
// included, raises ConversionError.
std::int32_t textToInt(std::u16string_view text);

}  // namespace app
