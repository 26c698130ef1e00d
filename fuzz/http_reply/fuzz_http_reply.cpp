// Random bytes as a server's reply, read by the client over an I/O handler in memory: every
// connection the client opens is answered with the input, then closed by the peer; what the
// client sends is dropped. The first byte chooses the request and, with bit 16, replies that
// arrive in pieces of a few bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "http/transport/io_handler.h"
#include "reply_requests.h"

namespace {

// One handler serves every input: each open() starts the reply afresh, and the input buffer's
// storage is not made again for each input.
class ReplyIoHandler final : public http::IoHandler {
 public:
  void setReply(std::string_view reply, std::size_t pieceSize) {
    reply_ = reply;
    pieceSize_ = pieceSize;
  }

  void open() override {
    IoHandler::open();
    offset_ = 0;
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
  // The reply, or the peer's close after it, is always there at once.
  bool readable(int /*ms*/) override { return true; }
  void checkForDisconnect(bool raise, bool ignoreBuffer) override {
    if (closedGracefully() && socket_) close();
    const bool disconnected = closedGracefully() || !socket_;
    if (disconnected && raise && (inputBufferIsEmpty() || ignoreBuffer)) {
      throw http::ConnectionClosedError(http::transport_text::kConnectionClosed);
    }
  }
  [[nodiscard]] bool hasSocket() const override { return socket_; }

 protected:
  int receiveRaw(std::span<std::uint8_t> buffer) override {
    const std::size_t count = std::min({pieceSize_, buffer.size(), reply_.size() - offset_});
    std::copy_n(reply_.begin() + static_cast<std::ptrdiff_t>(offset_), count, buffer.begin());
    offset_ += count;
    return static_cast<int>(count);
  }
  int sendRaw(std::span<const std::uint8_t> bytes) override {
    return static_cast<int>(bytes.size());
  }
  int filterSocketError(int /*result*/) override { return 10054; }
  [[noreturn]] void raiseTransportError(int /*number*/) override { std::abort(); }

 private:
  std::string_view reply_;
  std::size_t pieceSize_ = SIZE_MAX;
  std::size_t offset_ = 0;
  bool socket_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
  static ReplyIoHandler* const handler = new ReplyIoHandler();  // lives for the whole process
  handler->setReply(reply, (mode & 16U) != 0 ? 7 : SIZE_MAX);
  http::HttpClient client;
  client.setIoHandler(handler);
  fuzz_reply::requestWithMode(client, u"http://127.0.0.1:8080/fuzz", mode);
  return 0;
}
