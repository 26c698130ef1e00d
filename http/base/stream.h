#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace http {

// A byte stream with a read/write position and a size, as request and reply bodies use it.
class Stream {
 public:
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;
  virtual ~Stream() = default;

  [[nodiscard]] virtual std::int64_t size() const = 0;
  // Grows (with zero bytes) or cuts the stream; the position is kept, clamped to the new size.
  virtual void setSize(std::int64_t newSize) = 0;
  [[nodiscard]] virtual std::int64_t position() const = 0;
  virtual void setPosition(std::int64_t newPosition) = 0;
  // Reads up to target.size() bytes from the position; returns how many were read.
  virtual std::size_t read(std::span<std::uint8_t> target) = 0;
  // Writes at the position, growing the stream as needed.
  virtual void write(std::span<const std::uint8_t> source) = 0;
};

// A growable in-memory byte buffer.
class MemoryStream final : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

  [[nodiscard]] std::int64_t size() const override {
    return static_cast<std::int64_t>(bytes_.size());
  }
  void setSize(std::int64_t newSize) override;
  [[nodiscard]] std::int64_t position() const override { return position_; }
  void setPosition(std::int64_t newPosition) override;
  std::size_t read(std::span<std::uint8_t> target) override;
  void write(std::span<const std::uint8_t> source) override;
  void write(std::string_view source);

  // Reserves capacity without changing the size.
  void reserve(std::size_t capacity) { bytes_.reserve(capacity); }
  [[nodiscard]] const std::vector<std::uint8_t>& bytes() const noexcept { return bytes_; }
  [[nodiscard]] std::string_view view() const noexcept {
    return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
  }
  void clear() noexcept {
    bytes_.clear();
    position_ = 0;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::int64_t position_ = 0;
};

}  // namespace http
