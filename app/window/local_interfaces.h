#pragma once

#include <vector>

#include "app/window/scan_ranges.h"

namespace app {

// The IPv4 addresses of this PC's network interfaces, as the system lists them.
std::vector<InterfaceAddress> localInterfaces();

}  // namespace app
