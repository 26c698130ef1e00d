#include "json/json_array.h"

#include <algorithm>
#include <utility>

namespace json {

JsonArray::JsonArray() = default;

JsonRef JsonArray::at(std::int64_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= length_) return {};
  return slots_[static_cast<std::size_t>(index)];
}

// The first slots are allocated only when the first element arrives: empty arrays are common.
void JsonArray::ensureCapacity(std::size_t index) {
  if (!slots_) slots_ = std::make_unique<JsonRef[]>(capacity_);
  if (index < capacity_) return;
  const std::size_t newCapacity = std::max(2 * capacity_, index + 1);
  auto slots = std::make_unique<JsonRef[]>(newCapacity);
  std::move(slots_.get(), slots_.get() + length_, slots.get());
  slots_ = std::move(slots);
  capacity_ = newCapacity;
}

bool JsonArray::store(std::int64_t index, JsonRef value) {
  if (index < 0 || index - static_cast<std::int64_t>(length_) > kMaxGap) return false;
  const auto slot = static_cast<std::size_t>(index);
  ensureCapacity(slot);
  slots_[slot] = std::move(value);
  if (slot >= length_) length_ = slot + 1;
  return true;
}

void JsonArray::add(JsonRef value) { store(static_cast<std::int64_t>(length_), std::move(value)); }

JsonRef JsonArray::remove(std::int64_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= length_) return {};
  const auto slot = static_cast<std::size_t>(index);
  JsonRef removed = std::move(slots_[slot]);
  std::move(slots_.get() + slot + 1, slots_.get() + length_, slots_.get() + slot);
  --length_;
  return removed;
}

}  // namespace json
