#pragma once

#include <string_view>

#include "json/json_ref.h"

namespace json::detail {

// The value of the number text the parser collected: an Int without a point or exponent, a
// Currency with a point and up to four fraction digits, otherwise a Double.
JsonRef numberFromText(std::u16string_view text, bool isDouble, int fractionDigits);

}  // namespace json::detail
