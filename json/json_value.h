#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "json/json_ref.h"
#include "json/types.h"

namespace json {

class MemberTable;
class JsonArray;

namespace detail {
template <typename Sink>
class JsonWriter;
}  // namespace detail

// A callable a host program may attach to a value; the parser never produces one.
using JsonMethod = JsonRef (*)(const JsonRef& self, const JsonRef& params);

class JsonValue {
 public:
  static JsonRef create(JsonType type);
  static JsonRef create(bool value);
  static JsonRef create(std::int64_t value);
  static JsonRef create(int value) { return create(static_cast<std::int64_t>(value)); }
  static JsonRef create(double value);
  static JsonRef create(std::u16string_view text);
  static JsonRef create(const std::u16string& text) { return create(std::u16string_view(text)); }
  static JsonRef create(const char16_t* text) { return create(std::u16string_view(text)); }
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
  // The text of a string value (it may hold NUL units); empty for every other type.
  [[nodiscard]] std::u16string_view text() const {
    if (type_ != JsonType::String || payload_.text == nullptr) return {};
    return {payload_.text->units(), payload_.text->size};
  }
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
  [[nodiscard]] void* userData() const;
  void setUserData(void* data);

  [[nodiscard]] JsonRef getPathValue(std::u16string_view path);
  [[nodiscard]] std::u16string getPathString(std::u16string_view path);
  void putPathCurrency(std::u16string_view path, std::int64_t currency);
  [[nodiscard]] std::u16string asString();
  [[nodiscard]] std::u16string asJson(bool indent = false, bool escape = true);
  // The same text as UTF-8, written straight into bytes.
  [[nodiscard]] std::string asJsonUtf8(bool indent = false, bool escape = true);

 private:
  friend class JsonRef;
  template <typename Sink>
  friend class detail::JsonWriter;

  explicit JsonValue(JsonType type);
  ~JsonValue() = default;  // destroy() frees the payload
  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;

  // The value behind an empty reference's -> (see JsonRef).
  [[nodiscard]] bool isNoValue() const noexcept { return this == JsonRef::noValue(); }
  void addRef() { refCount_.fetch_add(1, std::memory_order_relaxed); }
  // The holder of the last reference is the only one who can reach the value, so no other
  // thread can change the count under it: the atomic step is needed only while it is shared.
  bool dropRef() {
    return refCount_.load(std::memory_order_acquire) == 1 ||
           refCount_.fetch_sub(1, std::memory_order_acq_rel) == 1;
  }
  static JsonRef owned(JsonValue* created) noexcept;
  static void destroy(JsonValue* value) noexcept;

  // The units of a string value follow its length in the same allocation.
  struct TextBlock {
    std::size_t size;
    [[nodiscard]] char16_t* units() { return reinterpret_cast<char16_t*>(this + 1); }
    [[nodiscard]] const char16_t* units() const {
      return reinterpret_cast<const char16_t*>(this + 1);
    }
  };
  void setText(std::u16string_view text);
  static constexpr std::size_t textBytes(std::size_t units) {
    return sizeof(TextBlock) + units * sizeof(char16_t);
  }

  // Sixteen bytes: a document holds millions of values. The rarely used user data lives in a
  // table aside, and the text of a string in a block of its own.
  std::atomic<std::int32_t> refCount_{0};
  bool processing_ = false;
  JsonType type_;
  bool hasUserData_ = false;
  std::uint8_t textClass_ = 0;  // the size class of the text block, for freeing it unread
  union Payload {
    bool boolean;
    double dbl;
    std::int64_t currency;
    std::int64_t integer;
    MemberTable* members;
    JsonArray* elements;
    JsonMethod method;
    TextBlock* text;
  } payload_{};
};

}  // namespace json
