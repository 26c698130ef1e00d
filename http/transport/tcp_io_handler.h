#pragma once

#include <cstdint>
#include <span>

#include "http/transport/socket_io_handler.h"

namespace http {

// The plain TCP handler, and the one a client creates for itself. A TLS handler derives from
// it and replaces the raw receive and send, readable(), filterSocketError() and
// raiseTransportError().
class TcpIoHandler : public SocketIoHandler {
 public:
  TcpIoHandler() = default;
  ~TcpIoHandler() override;

  // Takes in whatever has arrived without waiting; true while a socket is open and not closed
  // by the peer with nothing left to read, or while unread bytes remain.
  bool connected() override;
  bool readable(int ms) override;
  void checkForDisconnect(bool raise = true, bool ignoreBuffer = false) override;

 protected:
  bool waitForData(int ms) override;
  int receiveRaw(std::span<std::uint8_t> buffer) override;
  // Waits at most readTimeout() each time the socket takes nothing, then raises
  // ReadTimeoutError.
  int sendRaw(std::span<const std::uint8_t> bytes) override;
  int filterSocketError(int result) override;
  [[noreturn]] void raiseTransportError(int number) override;

 private:
  // The plain handler folds a bounded wait into its receive: it tries a receive first and
  // waits only when nothing is there, which saves a system call per piece in bulk reads.
  int waitInReceiveMs_ = -1;
  bool receiveTimedOut_ = false;
};

}  // namespace http
