#include "http/transport/tcp_io_handler.h"

#include <cerrno>
#include <typeinfo>
#include <utility>

#include "http/transport/socket_error.h"

namespace http {

TcpIoHandler::~TcpIoHandler() = default;

bool TcpIoHandler::connected() {
  try {
    fillInputBuffer(false, 0, false);
  } catch (const SocketError& error) {
    switch (error.lastError()) {
      case socket_errors::kConnectionAborted:
      case socket_errors::kConnectionReset:
      case socket_errors::kShutdown:
        return false;
      default:
        throw;
    }
  }
  return (hasSocket() && opened() && !(closedGracefully() && inputBufferIsEmpty())) ||
         !inputBufferIsEmpty();
}

bool TcpIoHandler::readable(int ms) {
  if (!hasSocket()) throw ConnectionClosedError(transport_text::kConnectionClosed);
  return binding()->readable(ms);
}

bool TcpIoHandler::waitForData(int ms) {
  waitInReceiveMs_ = -1;
  // Handlers derived from this one replace the receive, so they keep the separate wait.
  if (typeid(*this) != typeid(TcpIoHandler)) return readable(ms);
  if (!hasSocket()) throw ConnectionClosedError(transport_text::kConnectionClosed);
  // Without a limit the blocking receive waits just as a poll would.
  if (ms >= 0) waitInReceiveMs_ = ms;
  return true;
}

void TcpIoHandler::checkForDisconnect(bool raise, bool ignoreBuffer) {
  if (closedGracefully() && hasSocket()) {
    close();
    reportStatus(ConnectionStatus::Disconnected, u"Disconnected.");
  }
  const bool disconnected = closedGracefully() || !hasSocket();
  if (disconnected && raise && (inputBufferIsEmpty() || ignoreBuffer)) {
    throw ConnectionClosedError(transport_text::kConnectionClosed);
  }
}

int TcpIoHandler::receiveRaw(std::span<std::uint8_t> buffer) {
  try {
    const int wait = std::exchange(waitInReceiveMs_, -1);
    if (wait >= 0) {
      const int count = binding()->receiveNow(buffer);
      if (count >= 0) return count;
      if (wait == 0 || !binding()->readable(wait)) {
        receiveTimedOut_ = true;  // reported as 10060 by filterSocketError()
        return -1;
      }
    }
    return binding()->receive(buffer);
  } catch (const SocketError& error) {
    // A failed receive ends the connection; what was received before stays readable.
    if (error.lastError() != socket_errors::kTimedOut) {
      setClosedGracefully(true);
      close();
    }
    throw;
  }
}

int TcpIoHandler::sendRaw(std::span<const std::uint8_t> bytes) {
  // A peer that stops reading must not hold a send for ever: each wait for the socket to take
  // more bytes has the read time limit, and running out of it is a read timeout.
  const int limit = readTimeout() > 0 ? readTimeout() : -1;
  if (limit < 0 && !deadline().active()) return binding()->send(bytes);
  for (;;) {
    const int count = binding()->sendNow(bytes);
    if (count >= 0) return count;
    bool cutShort = false;
    const int wait = deadline().cut(limit, cutShort);
    if (!binding()->writable(wait)) {
      if (cutShort || deadline().passed()) deadline().raise();
      throw ReadTimeoutError(transport_text::kReadTimedOut);
    }
  }
}

int TcpIoHandler::filterSocketError(int result) {
  if (result >= 0) return 0;
  if (std::exchange(receiveTimedOut_, false)) return socket_errors::kTimedOut;
  // The failing call was made just before; its errno is still current.
  const int number = socketErrorFromErrno(errno);
  switch (number) {
    case socket_errors::kConnectionAborted:
    case socket_errors::kConnectionReset:
    case socket_errors::kShutdown:
    case socket_errors::kTimedOut:
      return number;
    default:
      raiseSocketError(number);
  }
}

void TcpIoHandler::raiseTransportError(int number) { raiseSocketError(number); }

}  // namespace http
