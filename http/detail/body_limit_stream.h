#pragma once

#include <cstdint>
#include <span>

#include "http/base/stream.h"

namespace http::detail {

// Stands between a reply body and the caller's stream: passes the bytes on (or drops them
// when there is no stream) and raises ReplyLimitError once more than limit bytes have come.
class BodyLimitStream final : public Stream {
 public:
  BodyLimitStream(Stream* target, std::int64_t limit) : target_(target), limit_(limit) {}

  // Raises ReplyLimitError at once when count more bytes would pass the limit, before any of
  // them is read.
  void expect(std::int64_t count) const;

  [[nodiscard]] std::int64_t size() const override;
  void setSize(std::int64_t newSize) override;
  [[nodiscard]] std::int64_t position() const override;
  void setPosition(std::int64_t newPosition) override;
  std::size_t read(std::span<std::uint8_t> target) override;
  void write(std::span<const std::uint8_t> source) override;

 private:
  Stream* target_;
  std::int64_t limit_;
  std::int64_t taken_ = 0;
  // Where the bytes would be when they are dropped.
  std::int64_t droppedSize_ = 0;
  std::int64_t droppedPosition_ = 0;
};

}  // namespace http::detail
