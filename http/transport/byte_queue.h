#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "http/base/error.h"
#include "http/transport/socket_stack.h"

namespace http {

class Stream;
class TextEncoding;

HTTP_DECLARE_ERROR(TooMuchDataInBufferError, NetError);
HTTP_DECLARE_ERROR(NotEnoughDataInBufferError, NetError);

// A first-in first-out byte queue: the input buffer and the write buffer of an I/O handler.
// Growth keeps 2048 bytes of slack; consumed bytes are compacted away once more than 2048 of
// them lie before the head. It never holds more than 2147483647 bytes.
class ByteQueue {
 public:
  static constexpr std::int64_t kGrowthFactor = 2048;
  static constexpr std::int64_t kMaxSize = 2147483647;

  ByteQueue() = default;
  ByteQueue(const ByteQueue&) = delete;
  ByteQueue& operator=(const ByteQueue&) = delete;

  [[nodiscard]] std::int64_t size() const noexcept { return size_; }
  [[nodiscard]] bool empty() const noexcept { return size_ == 0; }
  [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
  // The unread bytes.
  [[nodiscard]] std::span<const std::uint8_t> bytes() const noexcept {
    return {data_.get() + head_, static_cast<std::size_t>(size_)};
  }
  [[nodiscard]] std::string_view view() const noexcept {
    return {reinterpret_cast<const char*>(data_.get() + head_), static_cast<std::size_t>(size_)};
  }
  [[nodiscard]] std::uint8_t peek(std::int64_t index) const { return bytes()[index]; }

  // Raises TooMuchDataInBufferError when the result would pass kMaxSize.
  void append(std::span<const std::uint8_t> source);
  void append(std::string_view source);
  // Makes room for count bytes after the unread ones and returns it; commitAppend(n) then
  // takes the first n of them. Lets a receive land in the queue without an extra copy.
  std::span<std::uint8_t> prepareAppend(std::size_t count);
  void commitAppend(std::size_t count);

  // Drops count bytes from the front; raises NotEnoughDataInBufferError past size().
  void remove(std::int64_t count);
  // Takes count bytes (all for count < 0) from the front.
  std::vector<std::uint8_t> extract(std::int64_t count = -1);
  // Appends count bytes to target (append = true) or overwrites its start, growing it.
  void extractTo(std::vector<std::uint8_t>& target, std::int64_t count, bool append = true);
  // Writes count bytes (all for count < 0) to the stream at its position.
  void extractToStream(Stream& stream, std::int64_t count = -1);
  // Takes count bytes (all for count < 0) and decodes them.
  std::u16string extractText(std::int64_t count, const TextEncoding& encoding);
  void clear() noexcept;

  // Offset of the first occurrence of terminator at or after start, or -1. An empty
  // terminator or a start outside the unread bytes raises NetError.
  [[nodiscard]] std::int64_t indexOf(std::span<const std::uint8_t> terminator,
                                     std::int64_t start = 0) const;
  [[nodiscard]] std::int64_t indexOf(std::string_view terminator, std::int64_t start = 0) const;

 private:
  void checkRemovable(std::int64_t count) const;
  void compactAfterRemove();
  void moveToFront() noexcept;
  void reallocate(std::size_t newCapacity);

  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t capacity_ = 0;
  std::int64_t head_ = 0;
  std::int64_t size_ = 0;
  SocketStackUser stack_;
};

}  // namespace http
