#pragma once

#include <string>
#include <string_view>

namespace http {

// The host part of a URL ("https://user@[::1]:443/x" gives "::1"); empty when the text has no
// authority. Follows the client's URL parser, so that the TLS server name and the connect
// target agree.
std::u16string hostOfUri(std::u16string_view uri);

}  // namespace http
