#pragma once

#include <openssl/types.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "http/tls/tls_errors.h"

namespace http {

class TlsContext;

// One TLS session over a connected socket. The OpenSSL handle is owned: shut down and freed.
class TlsSession {
 public:
  explicit TlsSession(const void* parent = nullptr) : parent_(parent) {}
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;
  ~TlsSession();

  [[nodiscard]] TlsContext* context() const noexcept { return context_; }
  void setContext(TlsContext* context) noexcept { context_ = context; }
  [[nodiscard]] const std::u16string& hostName() const noexcept { return hostName_; }
  [[nodiscard]] SSL* handle() const noexcept { return handle_.get(); }

  // Client handshake on socket, naming hostName in the server-name extension (sent whenever
  // OpenSSL accepts the name, so not when it is empty). appData is bound to the session.
  // Raises TlsSessionCreateError, TlsDataBindingError, TlsFdSetError, TlsConnectError (or what
  // the failure stands for: TlsUnderlyingCryptoError, a SocketError).
  void connect(int socket, std::u16string hostName, void* appData);

  // One decrypted read: the count, 0 when the peer closed (close_notify, or the end of the
  // stream), or the negative result of a failure, whose outcome lastOutcome() keeps.
  int read(std::span<std::uint8_t> buffer);
  // Writes all bytes: their count, 0 when the peer closed, or the negative result of a failure.
  int write(std::span<const std::uint8_t> bytes);
  // Decrypted bytes waiting inside the library.
  [[nodiscard]] int pending() const;
  // Sends close_notify; with waitForPeer, also waits for the peer's (the socket's receive limit
  // applies). Results are not judged.
  void shutdown(bool waitForPeer);

  [[nodiscard]] const TlsCallOutcome& lastOutcome() const noexcept { return lastOutcome_; }

  // "Cipher: name = ...; description = ...; bits = ...; version = ...; " for the session.
  [[nodiscard]] std::u16string cipherStatusText() const;

 private:
  struct Free {
    void operator()(SSL* session) const noexcept;
  };

  // SSL_get_error() for a result, read the way an OpenSSL 1.0 library over a blocking socket
  // reports it: an end of stream in the middle of a record is a system error with result 0,
  // and a receive or send limit that ran out is the system error ETIMEDOUT.
  [[nodiscard]] TlsCallOutcome outcomeOf(int result, int systemError) const;
  void release() noexcept;

  const void* parent_;
  TlsContext* context_ = nullptr;
  std::unique_ptr<SSL, Free> handle_;
  std::u16string hostName_;
  TlsCallOutcome lastOutcome_;
};

}  // namespace http
