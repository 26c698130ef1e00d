#pragma once

#include <openssl/types.h>

#include <memory>

#include "http/tls/tls_options.h"

namespace http {

// One OpenSSL context built from a copy of a handler's options. Its OpenSSL handle is owned.
class TlsContext {
 public:
  // Raises TlsLibraryLoadError when OpenSSL cannot be initialised.
  explicit TlsContext(TlsOptions options, const void* parent = nullptr);
  TlsContext(const TlsContext&) = delete;
  TlsContext& operator=(const TlsContext&) = delete;
  ~TlsContext();

  // (Re)builds the OpenSSL context for the role: protocol versions (security level 0, so that
  // OpenSSL allows TLS 1.0 and its ciphers), auto-retry, default trust locations, named files,
  // cipher list and verification. Raises the TLS error of the step that fails.
  void prepare(TlsContextKind kind);

  [[nodiscard]] SSL_CTX* handle() const noexcept { return handle_.get(); }
  [[nodiscard]] const TlsOptions& options() const noexcept { return options_; }
  [[nodiscard]] TlsMode mode() const noexcept { return options_.mode(); }
  // The handler that made this context (and so frees it).
  [[nodiscard]] const void* parent() const noexcept { return parent_; }

 private:
  struct Free {
    void operator()(SSL_CTX* context) const noexcept;
  };

  TlsOptions options_;
  const void* parent_;
  std::unique_ptr<SSL_CTX, Free> handle_;
};

}  // namespace http
