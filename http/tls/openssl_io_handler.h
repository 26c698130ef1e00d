#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>

#include "http/tls/tls_context.h"
#include "http/tls/tls_io_handler_base.h"
#include "http/tls/tls_options.h"
#include "http/tls/tls_session.h"

namespace http {

// A TLS client over the handler's TCP socket, using OpenSSL. Connecting, buffering, reads,
// writes and time limits are those of TcpIoHandler; while passThrough() is false every receive
// and send goes through the TLS session.
class OpenSslIoHandler : public TlsIoHandlerBase {
 public:
  OpenSslIoHandler() = default;
  ~OpenSslIoHandler() override;

  [[nodiscard]] TlsOptions& sslOptions() noexcept { return sslOptions_; }
  [[nodiscard]] const TlsOptions& sslOptions() const noexcept { return sslOptions_; }
  // None before the first connect, and again after close().
  [[nodiscard]] TlsContext* context() const noexcept { return context_.get(); }
  // None before the first handshake, and again after close().
  [[nodiscard]] TlsSession* session() const noexcept { return session_.get(); }

  // Gets "Cipher: name = ...; description = ...; bits = ...; version = ...; " after each
  // handshake.
  std::function<void(const std::u16string&)> onStatusInfo;
  // Runs between the TCP connect and the handshake.
  std::function<void()> onBeforeConnect;

  // Off on a connected socket: handshake now (TlsLibraryLoadError "Could not load SSL
  // library." without a context). On: close_notify, then the socket is plain TCP again.
  // Without a socket only the flag changes.
  void setPassThrough(bool value) override;
  void startTls() override;

  void open() override;
  // Frees the session (close_notify) and the context, then closes the socket.
  void close() override;
  bool readable(int ms) override;

 protected:
  // Builds the context from sslOptions() for the client role.
  virtual void createContext();
  void openClientSocket() override;
  int receiveRaw(std::span<std::uint8_t> buffer) override;
  int sendRaw(std::span<const std::uint8_t> bytes) override;
  int filterSocketError(int result) override;
  [[noreturn]] void raiseTransportError(int number) override;

 private:
  [[nodiscard]] bool secure() const noexcept { return !passThrough() && session_ != nullptr; }
  void beginTlsSession();
  [[nodiscard]] std::u16string serverName() const;
  void setSocketTimeouts(int ms);
  // The limit of each blocking receive and send inside the library, cut to the deadline.
  [[nodiscard]] int socketLimit() const;
  void releaseTls() noexcept;

  TlsOptions sslOptions_;
  std::unique_ptr<TlsContext> context_;
  std::unique_ptr<TlsSession> session_;
};

}  // namespace http
