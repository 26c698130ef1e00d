#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "json/types.h"

namespace json {

class JsonValue;

// Counted reference to a JsonValue. An empty reference means "no value", which is not the
// same as a JSON null.
class JsonRef {
 public:
  JsonRef() noexcept = default;
  JsonRef(std::nullptr_t) noexcept {}  // NOLINT(google-explicit-constructor)
  explicit JsonRef(JsonValue* value) noexcept;
  JsonRef(const JsonRef& other) noexcept;
  JsonRef(JsonRef&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  JsonRef& operator=(const JsonRef& other) noexcept;
  JsonRef& operator=(JsonRef&& other) noexcept {
    JsonValue* old = std::exchange(value_, std::exchange(other.value_, nullptr));
    if (old != nullptr) release(old);
    return *this;
  }
  ~JsonRef() {
    if (value_ != nullptr) release(value_);
  }

  [[nodiscard]] JsonValue* get() const noexcept { return value_; }
  // On an empty reference these reach a shared value that answers as no value does: type
  // Null, no payload, empty text, and every change ignored.
  JsonValue* operator->() const noexcept { return value_ != nullptr ? value_ : noValue(); }
  JsonValue& operator*() const noexcept { return *operator->(); }
  explicit operator bool() const noexcept { return value_ != nullptr; }
  [[nodiscard]] bool isEmpty() const noexcept { return value_ == nullptr; }
  void reset() noexcept { *this = JsonRef(); }

  // Safe on an empty reference: they give no value, empty text, or do nothing.
  [[nodiscard]] bool isType(JsonType type) const noexcept;
  [[nodiscard]] JsonRef getPathValue(std::u16string_view path) const;
  [[nodiscard]] std::u16string getPathString(std::u16string_view path) const;
  void putPathCurrency(std::u16string_view path, std::int64_t currency) const;
  [[nodiscard]] std::u16string asString() const;
  [[nodiscard]] std::u16string asJson(bool indent = false, bool escape = true) const;
  [[nodiscard]] std::string asJsonUtf8(bool indent = false, bool escape = true) const;

  friend bool operator==(const JsonRef& a, const JsonRef& b) noexcept {
    return a.value_ == b.value_;
  }

 private:
  friend class JsonValue;
  friend class JsonArray;
  // Takes over a reference someone counted already; leak() hands it out again.
  static JsonRef adopt(JsonValue* value) noexcept {
    JsonRef adopted;
    adopted.value_ = value;
    return adopted;
  }
  JsonValue* leak() noexcept { return std::exchange(value_, nullptr); }
  static void release(JsonValue* value) noexcept;
  static JsonValue* noValue() noexcept;

  JsonValue* value_ = nullptr;
};

}  // namespace json
