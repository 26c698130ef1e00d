#include "http/transport/byte_queue.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "http/base/stream.h"
#include "http/base/text_encoding.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

// After the queue drains, storage up to this size is kept for the next receive.
constexpr std::size_t kKeptCapacity = 65536 + 2048;

}  // namespace

void ByteQueue::reallocate(std::size_t newCapacity) {
  auto fresh = std::make_unique_for_overwrite<std::uint8_t[]>(newCapacity);
  if (size_ > 0) std::memcpy(fresh.get(), data_.get() + head_, static_cast<std::size_t>(size_));
  data_ = std::move(fresh);
  capacity_ = newCapacity;
  head_ = 0;
}

void ByteQueue::moveToFront() noexcept {
  if (head_ == 0) return;
  if (size_ > 0) std::memmove(data_.get(), data_.get() + head_, static_cast<std::size_t>(size_));
  head_ = 0;
}

std::span<std::uint8_t> ByteQueue::prepareAppend(std::size_t count) {
  if (static_cast<std::int64_t>(count) > kMaxSize - size_) {
    throw TooMuchDataInBufferError(u"Too much data in buffer.");
  }
  const std::size_t needed = static_cast<std::size_t>(size_) + count;
  if (size_ == 0) {
    // An empty queue takes the new bytes as its whole array.
    head_ = 0;
    if (capacity_ < count) reallocate(count);
  } else {
    moveToFront();
    if (capacity_ < needed) reallocate(needed + static_cast<std::size_t>(kGrowthFactor));
  }
  return {data_.get() + head_ + size_, count};
}

void ByteQueue::commitAppend(std::size_t count) { size_ += static_cast<std::int64_t>(count); }

void ByteQueue::append(std::span<const std::uint8_t> source) {
  if (source.empty()) return;
  const auto target = prepareAppend(source.size());
  std::memcpy(target.data(), source.data(), source.size());
  commitAppend(source.size());
}

void ByteQueue::append(std::string_view source) {
  append(std::span(reinterpret_cast<const std::uint8_t*>(source.data()), source.size()));
}

void ByteQueue::checkRemovable(std::int64_t count) const {
  if (count > size_ || count < 0) {
    throw NotEnoughDataInBufferError(u"Not enough data in buffer. (" +
                                     text::latin1ToUtf16(std::to_string(count)) + u"/" +
                                     text::latin1ToUtf16(std::to_string(size_)) + u")");
  }
}

void ByteQueue::compactAfterRemove() {
  if (size_ == 0) {
    head_ = 0;
    if (capacity_ > kKeptCapacity) {
      data_.reset();
      capacity_ = 0;
    }
    return;
  }
  if (head_ > kGrowthFactor) {
    moveToFront();
    const auto wanted = static_cast<std::size_t>(size_ + kGrowthFactor);
    if (capacity_ > wanted) reallocate(wanted);
  }
}

void ByteQueue::remove(std::int64_t count) {
  checkRemovable(count);
  head_ += count;
  size_ -= count;
  compactAfterRemove();
}

std::vector<std::uint8_t> ByteQueue::extract(std::int64_t count) {
  if (count < 0) count = size_;
  checkRemovable(count);
  const auto view = bytes().first(static_cast<std::size_t>(count));
  std::vector<std::uint8_t> result(view.begin(), view.end());
  remove(count);
  return result;
}

void ByteQueue::extractTo(std::vector<std::uint8_t>& target, std::int64_t count, bool append) {
  if (count < 0) count = size_;
  checkRemovable(count);
  const auto view = bytes().first(static_cast<std::size_t>(count));
  if (append) {
    target.insert(target.end(), view.begin(), view.end());
  } else {
    if (target.size() < view.size()) target.resize(view.size());
    std::copy(view.begin(), view.end(), target.begin());
  }
  remove(count);
}

void ByteQueue::extractToStream(Stream& stream, std::int64_t count) {
  if (count < 0) count = size_;
  checkRemovable(count);
  if (count == 0) return;
  stream.write(bytes().first(static_cast<std::size_t>(count)));
  remove(count);
}

std::u16string ByteQueue::extractText(std::int64_t count, const TextEncoding& encoding) {
  if (count < 0) count = size_;
  checkRemovable(count);
  std::u16string text = encoding.decode(view().substr(0, static_cast<std::size_t>(count)));
  remove(count);
  return text;
}

void ByteQueue::clear() noexcept {
  head_ = 0;
  size_ = 0;
  if (capacity_ > kKeptCapacity) {
    data_.reset();
    capacity_ = 0;
  }
}

std::int64_t ByteQueue::indexOf(std::span<const std::uint8_t> terminator,
                                std::int64_t start) const {
  if (terminator.empty()) throw NetError(u"Buffer terminator must be specified.");
  if (start < 0 || start >= size_) throw NetError(u"Buffer start position is invalid.");
  const auto unread = bytes();
  const auto found =
      std::search(unread.begin() + start, unread.end(), terminator.begin(), terminator.end());
  return found == unread.end() ? -1 : found - unread.begin();
}

std::int64_t ByteQueue::indexOf(std::string_view terminator, std::int64_t start) const {
  return indexOf(
      std::span(reinterpret_cast<const std::uint8_t*>(terminator.data()), terminator.size()),
      start);
}

}  // namespace http
