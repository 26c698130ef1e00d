#pragma once

#include <string_view>

namespace app::cli {

// Whether text names a device as the command line takes it: a dotted IPv4 address
// (127.0.0.5) or a host name (till-3.shop.example), without port, scheme, path or blanks.
bool isDeviceAddress(std::string_view text);

}  // namespace app::cli
