#include "http/transport/tcp_connection.h"

#include "http/transport/socket_io_handler.h"

namespace http {

TcpConnection::~TcpConnection() {
  if (ioHandler_ != nullptr) {
    try {
      ioHandler_->close();
    } catch (...) {  // nothing can be reported from a destructor
    }
  }
  detach();
}

void TcpConnection::detach() noexcept {
  if (ioHandler_ != nullptr) {
    ioHandler_->connection_ = nullptr;
    ioHandler_->onStatus_ = nullptr;
  }
  ioHandler_ = nullptr;
  socket_ = nullptr;
  managed_.reset();
}

void TcpConnection::setIoHandler(IoHandler* handler) {
  if (handler == ioHandler_) return;
  detach();
  if (handler == nullptr) return;
  if (handler->connection_ != nullptr) handler->connection_->handlerDestroyed(handler);
  ioHandler_ = handler;
  socket_ = dynamic_cast<SocketIoHandler*>(handler);
  handler->connection_ = this;
  handler->onStatus_ = [this](ConnectionStatus status, const std::u16string& text) {
    reportStatus(status, text);
  };
  ioHandlerAttached();
}

void TcpConnection::setManagedIoHandler(std::unique_ptr<IoHandler> handler) {
  setIoHandler(handler.get());
  managed_ = std::move(handler);
}

void TcpConnection::releaseManagedIoHandler() {
  if (managed_) detach();
}

void TcpConnection::handlerDestroyed(IoHandler* handler) noexcept {
  if (handler != ioHandler_) return;
  ioHandler_ = nullptr;
  socket_ = nullptr;
  if (managed_.get() == handler) static_cast<void>(managed_.release());
}

void TcpConnection::reportStatus(ConnectionStatus status, const std::u16string& text) {
  if (onStatus) onStatus(status, text);
}

bool TcpConnection::connected() { return ioHandler_ != nullptr && ioHandler_->connected(); }

void TcpConnection::disconnect(bool notifyPeer) {
  if (notifyPeer) {
    try {
      if (connected()) disconnectNotifyPeer();
    } catch (...) {  // the peer notification is best effort
    }
  }
  if (ioHandler_ == nullptr) return;
  if (ioHandler_->opened()) {
    reportStatus(ConnectionStatus::Disconnecting, u"Disconnecting.");
    ioHandler_->close();
    // Unread bytes of a connection we closed ourselves are of no use; keeping them would make
    // connected() stay true and a new connect() fail with "Already connected.".
    ioHandler_->inputBuffer().clear();
    if (onDisconnected) onDisconnected();
    reportStatus(ConnectionStatus::Disconnected, u"Disconnected.");
  } else {
    ioHandler_->inputBuffer().clear();
  }
}

void TcpConnection::checkForGracefulDisconnect(bool raise) {
  if (ioHandler_ != nullptr) {
    ioHandler_->checkForDisconnect(raise, false);
  } else if (raise) {
    throw NotConnectedError(transport_text::kNotConnected);
  }
}

}  // namespace http
