// Drives the line, counted and until-close reads of an I/O handler over bytes that arrive in
// arbitrary pieces, with a small line limit, checking that nothing is lost or invented. The
// script ends at the peer's close.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "http/base/stream.h"
#include "http/transport/connection_errors.h"
#include "http/transport/io_handler.h"

namespace {

// Delivers the input in pieces whose sizes come from the input itself; then the peer closes.
class ScriptedIoHandler final : public http::IoHandler {
 public:
  ScriptedIoHandler(std::string_view data, std::string_view pieceSizes)
      : data_(data), pieceSizes_(pieceSizes) {
    open();
  }

  bool connected() override {
    return (socket_ && opened() && !(closedGracefully() && inputBufferIsEmpty())) ||
           !inputBufferIsEmpty();
  }
  bool readable(int /*ms*/) override { return true; }
  void checkForDisconnect(bool raise, bool ignoreBuffer) override {
    if (closedGracefully() && socket_) close();
    const bool disconnected = closedGracefully() || !socket_;
    if (disconnected && raise && (inputBufferIsEmpty() || ignoreBuffer)) {
      throw http::ConnectionClosedError(http::transport_text::kConnectionClosed);
    }
  }
  [[nodiscard]] bool hasSocket() const override { return socket_; }
  void close() override {
    socket_ = false;
    IoHandler::close();
  }

  [[nodiscard]] std::size_t delivered() const { return offset_; }

 protected:
  int receiveRaw(std::span<std::uint8_t> buffer) override {
    std::size_t piece = 1;
    if (!pieceSizes_.empty()) {
      piece = 1 + static_cast<unsigned char>(pieceSizes_[pieceIndex_++ % pieceSizes_.size()]) * 64;
    }
    const std::size_t count = std::min({piece, buffer.size(), data_.size() - offset_});
    std::copy_n(data_.begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
    offset_ += count;
    return static_cast<int>(count);
  }
  int sendRaw(std::span<const std::uint8_t> bytes) override {
    return static_cast<int>(bytes.size());
  }
  int filterSocketError(int /*result*/) override { return 10054; }
  [[noreturn]] void raiseTransportError(int /*number*/) override { std::abort(); }

 private:
  std::string_view data_;
  std::string_view pieceSizes_;
  std::size_t offset_ = 0;
  std::size_t pieceIndex_ = 0;
  bool socket_ = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  if (size < 8) return 0;
  const std::string_view input(reinterpret_cast<const char*>(bytes), size);
  const std::string_view script = input.substr(0, 8);
  const std::string_view pieceSizes = input.substr(8, std::min<std::size_t>(4, size - 8));
  const std::string_view data = input.substr(std::min<std::size_t>(12, size));
  ScriptedIoHandler handler(data, pieceSizes);
  handler.setMaxLineLength(static_cast<unsigned char>(script[0]) % 64);
  handler.setMaxLineAction(script[1] % 2 == 0 ? http::MaxLineAction::Raise
                                              : http::MaxLineAction::Split);
  std::size_t consumed = 0;
  for (int step = 0; step < 64; ++step) {
    // Once the peer has closed and the buffer is empty, every further read would only raise.
    if (handler.closedGracefully() && handler.inputBufferIsEmpty()) break;
    const auto op = static_cast<unsigned char>(script[2 + step % 6]) + step;
    try {
      switch (op % 5) {
        case 0: {
          const std::u16string terminator = op % 3 == 0 ? u"\r\n" : (op % 3 == 1 ? u"\n" : u"ab");
          const std::u16string line = handler.readLine(terminator);
          consumed += line.size();  // ASCII: one byte per character, terminator not counted
          break;
        }
        case 1: {
          std::vector<std::uint8_t> read;
          handler.readBytes(read, 1 + op % 17);
          consumed += read.size();
          break;
        }
        case 2: {
          http::MemoryStream stream;
          handler.readStream(stream, 1 + op % 300);
          consumed += stream.bytes().size();
          break;
        }
        case 3:
          handler.discard(1 + op % 7);
          break;
        default: {
          http::MemoryStream stream;
          handler.readStream(stream, -1, true);
          consumed += stream.bytes().size();
          break;
        }
      }
    } catch (const http::ConnectionClosedError&) {
      break;  // the script ends at the first close that a read runs into
    } catch (const http::MaxLineLengthExceededError&) {
      handler.inputBuffer().clear();
    }
  }
  // What came out never exceeds what went in.
  if (consumed > handler.delivered()) std::abort();
  return 0;
}
