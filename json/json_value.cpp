#include "json/json_value.h"

#include "json/json_array.h"
#include "json/member_table.h"

namespace json {

namespace {
// Containers are freed through a worklist, so that releasing a deeply nested tree (paths can
// build one of any depth) does not recurse once per level. The list is linked through the
// dying values themselves, so freeing never allocates.
thread_local JsonValue* pendingContainers = nullptr;
thread_local bool draining = false;
}  // namespace

JsonRef::JsonRef(JsonValue* value) noexcept : value_(value) {
  if (value_ != nullptr) value_->addRef();
}

JsonRef::JsonRef(const JsonRef& other) noexcept : value_(other.value_) {
  if (value_ != nullptr) value_->addRef();
}

JsonRef& JsonRef::operator=(const JsonRef& other) noexcept {
  if (other.value_ != nullptr) other.value_->addRef();
  JsonValue* old = std::exchange(value_, other.value_);
  if (old != nullptr) release(old);
  return *this;
}

void JsonRef::release(JsonValue* value) noexcept {
  if (value->dropRef()) JsonValue::destroy(value);
}

// Holds a reference of its own, so it is never destroyed.
JsonValue* JsonRef::noValue() noexcept {
  static JsonValue* const shared = [] {
    auto* value = new JsonValue(JsonType::Null);
    value->addRef();
    return value;
  }();
  return shared;
}

bool JsonRef::isType(JsonType type) const noexcept {
  return value_ != nullptr && value_->type() == type;
}

void JsonValue::destroy(JsonValue* value) noexcept {
  if (value->type_ != JsonType::Object && value->type_ != JsonType::Array) {
    delete value;
    return;
  }
  value->userData_ = pendingContainers;
  pendingContainers = value;
  if (draining) return;
  draining = true;
  while (pendingContainers != nullptr) {
    JsonValue* next = pendingContainers;
    pendingContainers = static_cast<JsonValue*>(next->userData_);
    delete next;
  }
  draining = false;
}

void* JsonValue::operator new(std::size_t /*size*/) {
  return BlockPool<sizeof(JsonValue)>::allocate();
}

void JsonValue::operator delete(void* block) noexcept {
  BlockPool<sizeof(JsonValue)>::release(block);
}

JsonValue::JsonValue(JsonType type) : type_(type) {
  if (type == JsonType::Object) payload_.members = new MemberTable();
  if (type == JsonType::Array) payload_.elements = new JsonArray();
}

JsonValue::~JsonValue() {
  if (type_ == JsonType::Object) delete payload_.members;
  if (type_ == JsonType::Array) delete payload_.elements;
}

JsonRef JsonValue::create(JsonType type) { return JsonRef(new JsonValue(type)); }

JsonRef JsonValue::create(bool value) {
  auto* created = new JsonValue(JsonType::Boolean);
  created->payload_.boolean = value;
  return JsonRef(created);
}

JsonRef JsonValue::create(std::int64_t value) {
  auto* created = new JsonValue(JsonType::Int);
  created->payload_.integer = value;
  return JsonRef(created);
}

JsonRef JsonValue::create(double value) {
  auto* created = new JsonValue(JsonType::Double);
  created->payload_.dbl = value;
  return JsonRef(created);
}

JsonRef JsonValue::create(std::u16string text) {
  auto* created = new JsonValue(JsonType::String);
  created->text_ = std::move(text);
  return JsonRef(created);
}

JsonRef JsonValue::createCurrency(std::int64_t scaled) {
  auto* created = new JsonValue(JsonType::Currency);
  created->payload_.currency = scaled;
  return JsonRef(created);
}

JsonRef JsonValue::createMethod(JsonMethod method) {
  auto* created = new JsonValue(JsonType::Method);
  created->payload_.method = method;
  return JsonRef(created);
}

}  // namespace json
