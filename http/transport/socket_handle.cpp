#include "http/transport/socket_handle.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <string>

#include "http/transport/connection_errors.h"
#include "http/transport/socket_error.h"
#include "text/utf8_codec.h"

namespace http {

SocketHandle::~SocketHandle() { closeSocket(); }

void SocketHandle::setPeer(std::u16string ip, std::uint16_t port, IpVersion ipVersion) {
  peerIP_ = std::move(ip);
  peerPort_ = port;
  ipVersion_ = ipVersion;
}

void SocketHandle::setIPVersion(IpVersion ipVersion) {
  if (ipVersion == ipVersion_) return;
  if (handleAllocated_) throw IpVersionChangeError(u"Cannot change IPVersion when connected");
  ipVersion_ = ipVersion;
}

void SocketHandle::setUseNagle(bool useNagle) {
  if (useNagle == useNagle_) return;
  if (handleAllocated_ && socketType_ == SOCK_STREAM) {
    SocketStack::instance().setSocketOption(handle_, IPPROTO_TCP, TCP_NODELAY, useNagle ? 0 : 1);
  }
  useNagle_ = useNagle;
}

void SocketHandle::allocateSocket(int socketType, int protocol) {
  closeSocket();
  const IpVersion ipVersion = ipVersion_;
  reset(false);
  ipVersion_ = ipVersion;
  setHandle(SocketStack::instance().newSocketHandle(socketType, protocol, ipVersion_));
}

void SocketHandle::setHandle(int handle) {
  handle_ = handle;
  handleAllocated_ = handle != kInvalidSocket;
  if (!handleAllocated_) return;
  auto& stack = SocketStack::instance();
  socketType_ = stack.getSocketOption(handle, SOL_SOCKET, SO_TYPE);
  if (socketType_ == SOCK_STREAM) {
    useNagle_ = stack.getSocketOption(handle, IPPROTO_TCP, TCP_NODELAY) == 0;
  }
}

void SocketHandle::bind() {
  auto& stack = SocketStack::instance();
  stack.setSocketOption(handle_, SOL_SOCKET, SO_REUSEADDR,
                        reuseSocket_ == ReuseSocket::Yes ? 1 : 0);
  if (port_ == 0 && clientPortMin_ != 0 && clientPortMax_ != 0) {
    const auto range = [&] {
      return u"(" + text::latin1ToUtf16(std::to_string(clientPortMin_)) + u" - " +
             text::latin1ToUtf16(std::to_string(clientPortMax_)) + u")";
    };
    if (clientPortMin_ > clientPortMax_)
      throw InvalidPortRangeError(u"Invalid Port Range " + range());
    bool bound = false;
    for (int port = clientPortMax_; port >= clientPortMin_ && !bound; --port) {
      try {
        stack.bind(handle_, ip_, static_cast<std::uint16_t>(port), ipVersion_);
        bound = true;
      } catch (const SocketError&) {
      }
    }
    if (!bound) throw PortRangeBindError(u"Can not bind in port range " + range());
  } else {
    stack.bind(handle_, ip_, port_, ipVersion_);
  }
  updateBindingLocal();
}

void SocketHandle::connect() {
  SocketStack::instance().connect(handle_, peerIP_, peerPort_, ipVersion_);
  const std::lock_guard guard(lock_);
  if (handleAllocated_) {
    updateBindingLocal();
    updateBindingPeer();
  }
}

bool SocketHandle::connectWithin(int timeoutMs) {
  if (!SocketStack::instance().connectWithin(handle_, peerIP_, peerPort_, ipVersion_, timeoutMs)) {
    return false;
  }
  const std::lock_guard guard(lock_);
  if (handleAllocated_) {
    updateBindingLocal();
    updateBindingPeer();
  }
  return true;
}

bool SocketHandle::readable(int timeoutMs) {
  if (!handleAllocated_) throw ConnectionClosedError(transport_text::kConnectionClosed);
  return SocketStack::instance().readable(handle_, timeoutMs < 0 ? -1 : timeoutMs);
}

int SocketHandle::receive(std::span<std::uint8_t> buffer) {
  return SocketStack::instance().receive(handle_, buffer);
}

int SocketHandle::receiveNow(std::span<std::uint8_t> buffer) {
  return SocketStack::instance().receiveNow(handle_, buffer);
}

int SocketHandle::send(std::span<const std::uint8_t> bytes) {
  return SocketStack::instance().send(handle_, bytes);
}

int SocketHandle::sendNow(std::span<const std::uint8_t> bytes) {
  return SocketStack::instance().sendNow(handle_, bytes);
}

bool SocketHandle::writable(int timeoutMs) {
  if (!handleAllocated_) throw ConnectionClosedError(transport_text::kConnectionClosed);
  return SocketStack::instance().writable(handle_, timeoutMs < 0 ? -1 : timeoutMs);
}

void SocketHandle::closeSocket() noexcept {
  const std::lock_guard guard(lock_);
  if (!handleAllocated_) return;
  handleAllocated_ = false;
  SocketStack::instance().disconnect(handle_);
  handle_ = kInvalidSocket;
}

void SocketHandle::reset(bool resetLocal) {
  handle_ = kInvalidSocket;
  handleAllocated_ = false;
  peerIP_.clear();
  peerPort_ = 0;
  ipVersion_ = IpVersion::V4;
  if (resetLocal) {
    ip_.clear();
    port_ = 0;
  }
}

void SocketHandle::updateBindingLocal() {
  const SocketAddress local = SocketStack::instance().getSocketName(handle_);
  ip_ = local.ip;
  port_ = local.port;
}

void SocketHandle::updateBindingPeer() {
  const SocketAddress peer = SocketStack::instance().getPeerName(handle_);
  peerIP_ = peer.ip;
  peerPort_ = peer.port;
  ipVersion_ = peer.ipVersion;
}

}  // namespace http
