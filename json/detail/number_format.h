#pragma once

#include <cstddef>
#include <cstdint>

namespace json::detail {

// Longest text any of the formatters below produces, in ASCII characters.
inline constexpr std::size_t kMaxNumberText = 32;

// 15 significant digits, fixed notation for exponents -3 to 15, scientific otherwise.
// Infinities and NaN have no JSON text and are written as null.
std::size_t formatFloat(double value, char* out);
// Exact decimal text of a value scaled by 10000, without trailing fraction zeros.
std::size_t formatCurrency(std::int64_t scaled, char* out);
std::size_t formatInteger(std::int64_t value, char* out);

}  // namespace json::detail
