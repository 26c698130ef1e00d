#include "http/tls_handler_access.h"

namespace http::tls_access {

bool isTlsHandler(const IoHandler* /*handler*/) { return false; }

std::unique_ptr<IoHandler> createDefaultTlsHandler() { return nullptr; }

void setPassThrough(IoHandler& /*handler*/, bool /*passThrough*/) {}

void setUriToCheck(IoHandler& /*handler*/, std::u16string_view /*uri*/) {}

}  // namespace http::tls_access
