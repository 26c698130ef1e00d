#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/block_pool.h"
#include "json/json_ref.h"
#include "json/types.h"

namespace json {

class MemberTable;
class JsonArray;
class TextBuffer;

// A callable a host program may attach to a value; the parser never produces one.
using JsonMethod = JsonRef (*)(const JsonRef& self, const JsonRef& params);

class JsonValue {
 public:
  static JsonRef create(JsonType type);
  static JsonRef create(bool value);
  static JsonRef create(std::int64_t value);
  static JsonRef create(int value) { return create(static_cast<std::int64_t>(value)); }
  static JsonRef create(double value);
  static JsonRef create(std::u16string text);
  static JsonRef create(std::u16string_view text) { return create(std::u16string(text)); }
  static JsonRef create(const char16_t* text) { return create(std::u16string(text)); }
  static JsonRef create(const char* text) = delete;
  static JsonRef createCurrency(std::int64_t scaled);
  static JsonRef createMethod(JsonMethod method);

  // Parses text (cut at its first NUL). With a context value the text is a path evaluated
  // against it. Never throws for bad input; gives no value on failure.
  static JsonRef parseText(std::u16string_view text, bool strict, bool partial,
                           const JsonRef& self = {}, FindOptions options = {},
                           const JsonRef& put = {}, JsonType dt = JsonType::Null);

  JsonValue(const JsonValue&) = delete;
  JsonValue& operator=(const JsonValue&) = delete;

  [[nodiscard]] JsonType type() const { return type_; }
  [[nodiscard]] bool boolean() const { return type_ == JsonType::Boolean && payload_.boolean; }
  [[nodiscard]] double dbl() const { return type_ == JsonType::Double ? payload_.dbl : 0.0; }
  [[nodiscard]] std::int64_t currency() const {
    return type_ == JsonType::Currency ? payload_.currency : 0;
  }
  [[nodiscard]] std::int64_t integer() const {
    return type_ == JsonType::Int ? payload_.integer : 0;
  }
  [[nodiscard]] const std::u16string& text() const { return text_; }
  // Null unless the value is an object, an array or a method respectively.
  [[nodiscard]] MemberTable* members() const {
    return type_ == JsonType::Object ? payload_.members : nullptr;
  }
  [[nodiscard]] JsonArray* elements() const {
    return type_ == JsonType::Array ? payload_.elements : nullptr;
  }
  [[nodiscard]] JsonMethod method() const {
    return type_ == JsonType::Method ? payload_.method : nullptr;
  }

  [[nodiscard]] std::int32_t refCount() const { return refCount_.load(); }
  [[nodiscard]] bool processing() const { return processing_; }
  [[nodiscard]] void* userData() const { return userData_; }
  void setUserData(void* data) {
    if (!isNoValue()) userData_ = data;
  }

  [[nodiscard]] JsonRef getPathValue(std::u16string_view path);
  [[nodiscard]] std::u16string getPathString(std::u16string_view path);
  void putPathCurrency(std::u16string_view path, std::int64_t currency);
  [[nodiscard]] std::u16string asString();
  [[nodiscard]] std::u16string asJson(bool indent = false, bool escape = true);
  void writeJson(TextBuffer& writer, bool indent, bool escape, int level);

 private:
  friend class JsonRef;
  friend class JsonWriter;

  explicit JsonValue(JsonType type);
  ~JsonValue();
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;

  // The value behind an empty reference's -> (see JsonRef).
  [[nodiscard]] bool isNoValue() const noexcept { return this == JsonRef::noValue(); }
  void addRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }
  bool dropRef() { return refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1; }
  static void destroy(JsonValue* value) noexcept;

  std::atomic<std::int32_t> refCount_{0};
  bool processing_ = false;
  JsonType type_;
  void* userData_ = nullptr;
  union Payload {
    bool boolean;
    double dbl;
    std::int64_t currency;
    std::int64_t integer;
    MemberTable* members;
    JsonArray* elements;
    JsonMethod method;
  } payload_{};
  std::u16string text_;
};

}  // namespace json
