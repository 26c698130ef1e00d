#include "http/detail/body_limit_stream.h"

#include <algorithm>
#include <string>

#include "http/http_errors.h"
#include "text/utf8_codec.h"

namespace http::detail {

void BodyLimitStream::expect(std::int64_t count) const {
  if (count > limit_ - taken_) {
    throw ReplyLimitError(u"Reply body is larger than the limit of " +
                          text::latin1ToUtf16(std::to_string(limit_)) + u" bytes.");
  }
}

std::int64_t BodyLimitStream::size() const {
  return target_ != nullptr ? target_->size() : droppedSize_;
}

void BodyLimitStream::setSize(std::int64_t newSize) {
  if (target_ != nullptr) {
    target_->setSize(newSize);
    return;
  }
  droppedSize_ = std::max<std::int64_t>(newSize, 0);
  droppedPosition_ = std::min(droppedPosition_, droppedSize_);
}

std::int64_t BodyLimitStream::position() const {
  return target_ != nullptr ? target_->position() : droppedPosition_;
}

void BodyLimitStream::setPosition(std::int64_t newPosition) {
  if (target_ != nullptr) {
    target_->setPosition(newPosition);
    return;
  }
  droppedPosition_ = std::clamp<std::int64_t>(newPosition, 0, droppedSize_);
}

std::size_t BodyLimitStream::read(std::span<std::uint8_t> target) {
  return target_ != nullptr ? target_->read(target) : 0;
}

void BodyLimitStream::write(std::span<const std::uint8_t> source) {
  const auto count = static_cast<std::int64_t>(source.size());
  expect(count);
  taken_ += count;
  if (target_ != nullptr) {
    target_->write(source);
    return;
  }
  droppedPosition_ += count;
  droppedSize_ = std::max(droppedSize_, droppedPosition_);
}

}  // namespace http::detail
