#pragma once

#include <memory>
#include <string_view>

#include "http/transport/io_handler.h"

// The few things the client asks of a TLS handler.
namespace http::detail::tls_access {

[[nodiscard]] bool isTlsHandler(const IoHandler* handler);
// A handler of the default TLS class with its default options; nullptr when there is none.
[[nodiscard]] std::unique_ptr<IoHandler> createDefaultTlsHandler();
// True keeps the handler plain; false starts TLS (at once when already connected).
void setPassThrough(IoHandler& handler, bool passThrough);
void setUriToCheck(IoHandler& handler, std::u16string_view uri);

}  // namespace http::detail::tls_access
