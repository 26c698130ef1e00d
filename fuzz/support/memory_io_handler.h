#pragma once

// An I/O handler over bytes in memory, for fuzz targets: every open() delivers the input from
// its start, in pieces of a chosen size, then the peer closes; what is sent is dropped.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "http/transport/connection_errors.h"
#include "http/transport/io_handler.h"

namespace fuzz_support {

class MemoryIoHandler final : public http::IoHandler {
 public:
  // pieceSizes: one byte per piece, taken in turn (piece = 1 + byte * 64); empty: pieces of
  // fixedPiece bytes.
  void setInput(std::string_view input, std::string_view pieceSizes,
                std::size_t fixedPiece = SIZE_MAX) {
    input_ = input;
    pieceSizes_ = pieceSizes;
    fixedPiece_ = fixedPiece;
  }

  void open() override {
    IoHandler::open();
    offset_ = 0;
    pieceIndex_ = 0;
    socket_ = true;
  }
  void close() override {
    socket_ = false;
    IoHandler::close();
  }
  bool connected() override {
    fillInputBuffer(false, 0, false);
    return (socket_ && opened() && !(closedGracefully() && inputBufferIsEmpty())) ||
           !inputBufferIsEmpty();
  }
  // The input, or the peer's close after it, is always there at once.
  bool readable(int /*ms*/) override { return true; }
  void checkForDisconnect(bool raise, bool ignoreBuffer) override {
    if (closedGracefully() && socket_) close();
    const bool disconnected = closedGracefully() || !socket_;
    if (disconnected && raise && (inputBufferIsEmpty() || ignoreBuffer)) {
      throw http::ConnectionClosedError(http::transport_text::kConnectionClosed);
    }
  }
  [[nodiscard]] bool hasSocket() const override { return socket_; }

  // Bytes of the input handed out since the last open().
  [[nodiscard]] std::size_t delivered() const { return offset_; }

 protected:
  int receiveRaw(std::span<std::uint8_t> buffer) override {
    std::size_t piece = fixedPiece_;
    if (!pieceSizes_.empty()) {
      piece = 1 + static_cast<unsigned char>(pieceSizes_[pieceIndex_++ % pieceSizes_.size()]) * 64;
    }
    const std::size_t count = std::min({piece, buffer.size(), input_.size() - offset_});
    std::copy_n(input_.begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
    offset_ += count;
    return static_cast<int>(count);
  }
  int sendRaw(std::span<const std::uint8_t> bytes) override {
    return static_cast<int>(bytes.size());
  }
  int filterSocketError(int /*result*/) override { return 10054; }
  [[noreturn]] void raiseTransportError(int /*number*/) override { std::abort(); }

 private:
  std::string_view input_;
  std::string_view pieceSizes_;
  std::size_t fixedPiece_ = SIZE_MAX;
  std::size_t offset_ = 0;
  std::size_t pieceIndex_ = 0;
  bool socket_ = false;
};

}  // namespace fuzz_support
