#include <cstdint>
#include <string>
#include <string_view>

#include "json/json_ref.h"
#include "json/json_value.h"

namespace json {

JsonRef JsonValue::getPathValue(std::u16string_view path) {
  if (isNoValue()) return {};
  return parseText(path, false, true, JsonRef(this));
}

std::u16string JsonValue::getPathString(std::u16string_view path) {
  const JsonRef value = getPathValue(path);
  return value ? value->asString() : std::u16string();
}

void JsonValue::putPathCurrency(std::u16string_view path, std::int64_t currency) {
  if (isNoValue()) return;
  parseText(path, true, false, JsonRef(this), {FindOption::CreatePath, FindOption::PutValue},
            createCurrency(currency), JsonType::Null);
}

std::u16string JsonValue::asString() {
  switch (type_) {
    case JsonType::Null:
    case JsonType::Method:
      return {};
    case JsonType::String:
      return std::u16string(text());
    default:
      return asJson(false, false);
  }
}

JsonRef JsonRef::getPathValue(std::u16string_view path) const {
  return value_ != nullptr ? value_->getPathValue(path) : JsonRef();
}

std::u16string JsonRef::getPathString(std::u16string_view path) const {
  return value_ != nullptr ? value_->getPathString(path) : std::u16string();
}

void JsonRef::putPathCurrency(std::u16string_view path, std::int64_t currency) const {
  if (value_ != nullptr) value_->putPathCurrency(path, currency);
}

std::u16string JsonRef::asString() const {
  return value_ != nullptr ? value_->asString() : std::u16string();
}

}  // namespace json
