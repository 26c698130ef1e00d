#pragma once

#include <cstddef>
#include <cstdint>

#include "json/json_ref.h"

namespace json {

// The element list of an array value. Slots that were skipped by a store read as no value.
class JsonArray {
 public:
  static constexpr std::size_t kInitialCapacity = 32;
  // On purpose: a store more than this many slots past the end is dropped, so that a path
  // index of a billion allocates nothing. Every other store follows the growth rule.
  static constexpr std::int64_t kMaxGap = std::int64_t{1} << 16;

  static void* operator new(std::size_t size);
  static void operator delete(void* block) noexcept;

  JsonArray() = default;
  JsonArray(const JsonArray&) = delete;
  JsonArray& operator=(const JsonArray&) = delete;
  ~JsonArray();

  [[nodiscard]] JsonRef at(std::int64_t index) const;
  // The element without taking a reference; index must be below length().
  [[nodiscard]] JsonValue* peek(std::size_t index) const { return slots_[index]; }
  // False (and nothing changes) for a negative index or one past the gap limit.
  bool store(std::int64_t index, JsonRef value);
  void add(JsonRef value);
  // Removes the element and closes the gap; gives no value when the index is out of range.
  JsonRef remove(std::int64_t index);

  [[nodiscard]] std::size_t length() const { return length_; }
  // The capacity of the list's growth rule; memory is taken only as elements arrive.
  [[nodiscard]] std::size_t capacity() const { return capacity_; }

  [[nodiscard]] JsonArray* nextDying() const { return nextDying_; }
  void setNextDying(JsonArray* next) { nextDying_ = next; }

 private:
  void reserveSlot(std::size_t index);

  // Counted references held as plain pointers, so that growth can move them with realloc.
  JsonValue** slots_ = nullptr;
  std::size_t length_ = 0;
  std::size_t allocated_ = 0;  // slots of memory behind slots_
  union {
    std::size_t capacity_ = kInitialCapacity;
    JsonArray* nextDying_;  // once the value is gone
  };
};

}  // namespace json
