#pragma once

#include <cstdint>
#include <string>

namespace json {

// The text the writer gives a double: 15 significant digits, fixed notation for exponents -3
// to 15, scientific otherwise; infinities and NaN are written as null.
std::u16string floatToJsonText(double value);
// The exact decimal text of a currency (a value scaled by 10000), without trailing zeros.
std::u16string currencyToJsonText(std::int64_t scaled);

}  // namespace json
