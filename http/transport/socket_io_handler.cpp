#include "http/transport/socket_io_handler.h"

#include <sys/socket.h>

#include <chrono>
#include <optional>

namespace http {

SocketIoHandler::~SocketIoHandler() = default;

void SocketIoHandler::open() {
  IoHandler::open();
  if (binding_) {
    binding_->closeSocket();
    binding_->reset();
  } else {
    binding_ = std::make_unique<SocketHandle>();
  }
  if (!host().empty() && port() > 0) openClientSocket();
}

void SocketIoHandler::close() {
  if (binding_) binding_->closeSocket();
  IoHandler::close();
}

bool SocketIoHandler::hasSocket() const { return binding_ && binding_->handleAllocated(); }

void SocketIoHandler::openClientSocket() {
  if (onBeforeBind) onBeforeBind();
  binding_->setIPVersion(settings_.ipVersion);
  binding_->allocateSocket(SOCK_STREAM, 0);
  if (onSocketAllocated) onSocketAllocated();
  binding_->setIP(settings_.boundIP);
  binding_->setPort(settings_.boundPort);
  binding_->setClientPortMin(settings_.boundPortMin);
  binding_->setClientPortMax(settings_.boundPortMax);
  binding_->setReuseSocket(settings_.reuseSocket);
  binding_->bind();
  binding_->setUseNagle(settings_.useNagle);
  if (onAfterBind) onAfterBind();

  std::u16string address;
  if (settings_.ipVersion == IpVersion::V4 && SocketStack::isIP(host())) {
    address = host();
  } else {
    reportStatus(ConnectionStatus::Resolving, u"Resolving hostname " + host() + u".");
    address = resolveWithinDeadline();
  }
  binding_->setPeer(address, port(), settings_.ipVersion);
  reportStatus(ConnectionStatus::Connecting, u"Connecting to " + address + u".");

  // The limit covers the connect alone, not the lookup before it.
  bool cutShort = false;
  const int limit = deadline().cut(connectTimeout() > 0 ? connectTimeout() : -1, cutShort);
  if (limit > 0) {
    connectWithTimeout(limit, cutShort);
  } else {
    binding_->connect();
  }
}

std::u16string SocketIoHandler::resolveWithinDeadline() {
  SocketStack& stack = SocketStack::instance();
  bool cutShort = false;
  const int limit = deadline().cut(-1, cutShort);
  if (limit < 0) return stack.resolveHost(host(), settings_.ipVersion);
  std::optional<std::u16string> address =
      stack.resolveHostWithin(host(), settings_.ipVersion, std::chrono::milliseconds(limit));
  if (!address) {
    close();
    deadline().raise();
  }
  return std::move(*address);
}

void SocketIoHandler::connectWithTimeout(int timeoutMs, bool cutByDeadline) {
  if (binding_->connectWithin(timeoutMs)) return;
  close();
  if (cutByDeadline) deadline().raise();
  throw ConnectTimeoutError(transport_text::kConnectTimedOut);
}

}  // namespace http
