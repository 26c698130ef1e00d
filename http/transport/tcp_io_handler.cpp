#include "http/transport/tcp_io_handler.h"

#include <cerrno>

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

int TcpIoHandler::receiveRaw(std::span<std::uint8_t> buffer) { return binding()->receive(buffer); }

int TcpIoHandler::sendRaw(std::span<const std::uint8_t> bytes) { return binding()->send(bytes); }

int TcpIoHandler::filterSocketError(int result) {
  if (result >= 0) return 0;
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
