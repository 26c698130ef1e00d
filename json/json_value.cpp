#include "json/json_value.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

#include "json/detail/block_pool.h"
#include "json/detail/text_blocks.h"
#include "json/json_array.h"
#include "json/member_table.h"

namespace json {

using detail::BlockPool;
using detail::TextBlocks;

namespace {
// Containers are freed through worklists, so that releasing a deeply nested tree (paths can
// build one of any depth) does not recurse once per level. The lists are linked through the
// dying containers themselves, so freeing never allocates.
thread_local MemberTable* pendingTables = nullptr;
thread_local JsonArray* pendingArrays = nullptr;
thread_local bool draining = false;

// User data of the few values that carry any.
std::mutex userDataLock;
std::unordered_map<const JsonValue*, void*>& userDataTable() {
  static auto* table = new std::unordered_map<const JsonValue*, void*>();
  return *table;
}
}  // namespace

JsonRef::JsonRef(JsonValue* value) noexcept : value_(value) {
  if (value_ != nullptr) value_->addRef();
}

JsonRef::JsonRef(const JsonRef& other) noexcept : value_(other.value_) {
  if (value_ != nullptr) value_->addRef();
}

// Safe on self-assignment: the new reference is counted before the old one is released.
// NOLINTNEXTLINE(bugprone-unhandled-self-assignment)
JsonRef& JsonRef::operator=(const JsonRef& other) noexcept {
  if (other.value_ != nullptr) other.value_->addRef();
  JsonValue* old = std::exchange(value_, other.value_);
  if (old != nullptr) release(old);
  return *this;
}

// A new value starts with the one reference it is handed out with, set without an atomic
// step: no other thread can see it yet.
JsonRef JsonValue::owned(JsonValue* created) noexcept {
  created->refCount_.store(1, std::memory_order_relaxed);
  return JsonRef::adopt(created);
}

void JsonRef::release(JsonValue* value) noexcept {
  if (value->dropRef()) JsonValue::destroy(value);
}

// Holds a reference of its own, so it is never destroyed.
JsonValue* JsonRef::noValue() noexcept {
  static JsonValue* const shared = [] {
    static JsonValue value(JsonType::Null);
    value.addRef();
    return &value;
  }();
  return shared;
}

bool JsonRef::isType(JsonType type) const noexcept {
  return value_ != nullptr && value_->type() == type;
}

void JsonValue::destroy(JsonValue* value) noexcept {
  if (value->hasUserData_) {
    const std::lock_guard<std::mutex> lock(userDataLock);
    userDataTable().erase(value);
  }
  switch (value->type_) {
    case JsonType::Object:
      value->payload_.members->setNextDying(pendingTables);
      pendingTables = value->payload_.members;
      break;
    case JsonType::Array:
      value->payload_.elements->setNextDying(pendingArrays);
      pendingArrays = value->payload_.elements;
      break;
    case JsonType::String:
      if (TextBlock* text = value->payload_.text) TextBlocks::release(text, value->textClass_);
      break;
    default:
      break;
  }
  delete value;
  if (draining) return;
  draining = true;
  while (pendingTables != nullptr || pendingArrays != nullptr) {
    if (pendingTables != nullptr) {
      MemberTable* table = pendingTables;
      pendingTables = table->nextDying();
      delete table;
    } else {
      JsonArray* array = pendingArrays;
      pendingArrays = array->nextDying();
      delete array;
    }
  }
  draining = false;
}

void* JsonValue::userData() const {
  if (!hasUserData_) return nullptr;
  const std::lock_guard<std::mutex> lock(userDataLock);
  return userDataTable().at(this);
}

void JsonValue::setUserData(void* data) {
  if (isNoValue()) return;
  const std::lock_guard<std::mutex> lock(userDataLock);
  if (data == nullptr) {
    if (hasUserData_) userDataTable().erase(this);
    hasUserData_ = false;
    return;
  }
  userDataTable()[this] = data;
  hasUserData_ = true;
}

void JsonValue::setText(std::u16string_view text) {
  if (text.empty()) return;
  const std::size_t bytes = textBytes(text.size());
  const unsigned sizeClass = TextBlocks::sizeClass(bytes);
  auto* block = static_cast<TextBlock*>(TextBlocks::allocate(sizeClass, bytes));
  block->size = text.size();
  std::memcpy(block->units(), text.data(), text.size() * sizeof(char16_t));
  payload_.text = block;
  textClass_ = static_cast<std::uint8_t>(sizeClass);
}

void* JsonValue::operator new(std::size_t /*size*/) {
  return BlockPool<sizeof(JsonValue)>::allocate();
}

void JsonValue::operator delete(void* block) noexcept {
  BlockPool<sizeof(JsonValue)>::release(block);
}

// Defined here, beside the only places that make and free tables and lists, so that the pool
// calls are inlined there.
void* MemberTable::operator new(std::size_t /*size*/) {
  return BlockPool<sizeof(MemberTable)>::allocate();
}

void MemberTable::operator delete(void* block) noexcept {
  BlockPool<sizeof(MemberTable)>::release(block);
}

void* JsonArray::operator new(std::size_t /*size*/) {
  return BlockPool<sizeof(JsonArray)>::allocate();
}

void JsonArray::operator delete(void* block) noexcept {
  BlockPool<sizeof(JsonArray)>::release(block);
}

// The payload's braces set only its first member, so the member of the type is set here.
JsonValue::JsonValue(JsonType type) : type_(type) {
  switch (type) {
    case JsonType::Object:
      payload_.members = new MemberTable();
      break;
    case JsonType::Array:
      payload_.elements = new JsonArray();
      break;
    case JsonType::String:
      payload_.text = nullptr;
      break;
    case JsonType::Method:
      payload_.method = nullptr;
      break;
    default:
      payload_.integer = 0;
      break;
  }
}

static_assert(sizeof(JsonValue) == 16, "documents hold millions of values");

JsonRef JsonValue::create(JsonType type) { return owned(new JsonValue(type)); }

JsonRef JsonValue::create(bool value) {
  auto* created = new JsonValue(JsonType::Boolean);
  created->payload_.boolean = value;
  return owned(created);
}

JsonRef JsonValue::create(std::int64_t value) {
  auto* created = new JsonValue(JsonType::Int);
  created->payload_.integer = value;
  return owned(created);
}

JsonRef JsonValue::create(double value) {
  auto* created = new JsonValue(JsonType::Double);
  created->payload_.dbl = value;
  return owned(created);
}

JsonRef JsonValue::create(std::u16string_view text) {
  JsonRef created = owned(new JsonValue(JsonType::String));
  created.value_->setText(text);
  return created;
}

JsonRef JsonValue::createCurrency(std::int64_t scaled) {
  auto* created = new JsonValue(JsonType::Currency);
  created->payload_.currency = scaled;
  return owned(created);
}

JsonRef JsonValue::createMethod(JsonMethod method) {
  auto* created = new JsonValue(JsonType::Method);
  created->payload_.method = method;
  return owned(created);
}

}  // namespace json
