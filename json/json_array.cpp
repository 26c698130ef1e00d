#include "json/json_array.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace json {

namespace {
constexpr std::size_t kFirstSlots = 4;
constexpr std::size_t kSlotBytes = sizeof(JsonValue*);  // NOLINT(bugprone-sizeof-expression)
}  // namespace

JsonArray::~JsonArray() {
  for (std::size_t i = 0; i < length_; ++i) {
    if (slots_[i] != nullptr) JsonRef::adopt(slots_[i]);
  }
  std::free(slots_);  // NOLINT(cppcoreguidelines-no-malloc)
}

JsonRef JsonArray::at(std::int64_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= length_) return {};
  return JsonRef(slots_[static_cast<std::size_t>(index)]);
}

// The growth rule's capacity decides the reported capacity; memory follows the elements by
// doubling from a few slots, and realloc moves a large list without copying it.
void JsonArray::reserveSlot(std::size_t index) {
  if (index >= capacity_) capacity_ = std::max(2 * capacity_, index + 1);
  if (index < allocated_) return;
  const std::size_t wanted =
      std::min(capacity_, std::max({kFirstSlots, 2 * allocated_, index + 1}));
  // NOLINTNEXTLINE(cppcoreguidelines-no-malloc)
  void* grown = std::realloc(slots_, wanted * kSlotBytes);
  if (grown == nullptr) throw std::bad_alloc();
  slots_ = static_cast<JsonValue**>(grown);
  std::fill(slots_ + allocated_, slots_ + wanted, nullptr);
  allocated_ = wanted;
}

bool JsonArray::store(std::int64_t index, JsonRef value) {
  if (index < 0 || index - static_cast<std::int64_t>(length_) > kMaxGap) return false;
  const auto slot = static_cast<std::size_t>(index);
  reserveSlot(slot);
  JsonValue* old = std::exchange(slots_[slot], value.leak());
  if (slot >= length_) length_ = slot + 1;
  if (old != nullptr) JsonRef::adopt(old);
  return true;
}

void JsonArray::add(JsonRef value) { store(static_cast<std::int64_t>(length_), std::move(value)); }

JsonRef JsonArray::remove(std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= length_) return {};
  const auto slot = static_cast<std::size_t>(index);
  JsonRef removed = JsonRef::adopt(slots_[slot]);
  std::memmove(slots_ + slot, slots_ + slot + 1, (length_ - slot - 1) * kSlotBytes);
  slots_[--length_] = nullptr;
  return removed;
}

}  // namespace json
