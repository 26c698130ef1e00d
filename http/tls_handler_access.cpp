#include "http/tls_handler_access.h"

#if __has_include("http/tls/openssl_io_handler.h")
#include "http/tls/openssl_io_handler.h"
#define HTTP_CLIENT_WITH_TLS 1
#endif

namespace http::tls_access {

#ifdef HTTP_CLIENT_WITH_TLS

bool isTlsHandler(const IoHandler* handler) {
  return dynamic_cast<const TlsIoHandlerBase*>(handler) != nullptr;
}

std::unique_ptr<IoHandler> createDefaultTlsHandler() {
  return std::make_unique<OpenSslIoHandler>();
}

void setPassThrough(IoHandler& handler, bool passThrough) {
  if (auto* tls = dynamic_cast<TlsIoHandlerBase*>(&handler)) tls->setPassThrough(passThrough);
}

void setUriToCheck(IoHandler& handler, std::u16string_view uri) {
  if (auto* tls = dynamic_cast<TlsIoHandlerBase*>(&handler)) {
    tls->setUriToCheck(std::u16string(uri));
  }
}

#else

bool isTlsHandler(const IoHandler* /*handler*/) { return false; }

std::unique_ptr<IoHandler> createDefaultTlsHandler() { return nullptr; }

void setPassThrough(IoHandler& /*handler*/, bool /*passThrough*/) {}

void setUriToCheck(IoHandler& /*handler*/, std::u16string_view /*uri*/) {}

#endif

}  // namespace http::tls_access
