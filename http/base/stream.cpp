#include "http/base/stream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace http {

void MemoryStream::setSize(std::int64_t newSize) {
  if (newSize < 0) throw std::invalid_argument("negative stream size");
  bytes_.resize(static_cast<std::size_t>(newSize));
  position_ = std::min(position_, newSize);
}

void MemoryStream::setPosition(std::int64_t newPosition) {
  position_ = std::clamp<std::int64_t>(newPosition, 0, size());
}

std::size_t MemoryStream::read(std::span<std::uint8_t> target) {
  const auto available = static_cast<std::size_t>(size() - position_);
  const std::size_t count = std::min(available, target.size());
  if (count > 0) {
    std::memcpy(target.data(), bytes_.data() + position_, count);
    position_ += static_cast<std::int64_t>(count);
  }
  return count;
}

void MemoryStream::write(std::span<const std::uint8_t> source) {
  if (source.empty()) return;
  const auto end = static_cast<std::size_t>(position_) + source.size();
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + position_, source.data(), source.size());
  position_ = static_cast<std::int64_t>(end);
}

void MemoryStream::write(std::string_view source) {
  write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(source.data()),
                                      source.size()));
}

}  // namespace http
