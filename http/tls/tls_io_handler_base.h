#pragma once

#include <string>

#include "http/transport/tcp_io_handler.h"

namespace http {

// A TCP handler that can run TLS over its socket. While passThrough() is true it is plain TCP;
// the HTTP layer turns it off for a TLS target (before the connect, or after a proxy's CONNECT
// on the open socket).
class TlsIoHandlerBase : public TcpIoHandler {
 public:
  [[nodiscard]] bool passThrough() const noexcept { return passThrough_; }
  virtual void setPassThrough(bool value) { passThrough_ = value; }

  // The request URL; its host is the name sent to the TLS server.
  [[nodiscard]] const std::u16string& uriToCheck() const noexcept { return uriToCheck_; }
  void setUriToCheck(std::u16string uri) { uriToCheck_ = std::move(uri); }

  // Starts the handshake on the connected socket unless passThrough() is true.
  virtual void startTls() = 0;

 protected:
  // Stores the flag without the switching that setPassThrough() does.
  void storePassThrough(bool value) noexcept { passThrough_ = value; }

 private:
  bool passThrough_ = true;
  std::u16string uriToCheck_;
};

}  // namespace http
