#pragma once

#include <string>

namespace app {

// A device's address as the operator gave it: an IPv4 address or a host name, used in its
// URLs exactly as given.
using DeviceAddress = std::u16string;

}  // namespace app
