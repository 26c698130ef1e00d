#include "json/number_text.h"

#include "json/detail/number_format.h"

namespace json {

namespace {
std::u16string widen(const char* text, std::size_t length) { return {text, text + length}; }
}  // namespace

std::u16string floatToJsonText(double value) {
  char text[detail::kMaxNumberText];
  return widen(text, detail::formatFloat(value, text));
}

std::u16string currencyToJsonText(std::int64_t scaled) {
  char text[detail::kMaxNumberText];
  return widen(text, detail::formatCurrency(scaled, text));
}

}  // namespace json
