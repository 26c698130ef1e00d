#include "http/detail/tls_handler_access.h"

#include "http/tls/openssl_io_handler.h"

namespace http::detail::tls_access {

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

}  // namespace http::detail::tls_access
