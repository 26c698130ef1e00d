#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <vector>

namespace app::cli {

// Bounds of a device list: a /16's scan output, in JSON, fits with room to spare.
inline constexpr std::size_t kLongestListLine = 4096;
inline constexpr std::size_t kLargestList = std::size_t{16} << 20;
inline constexpr std::size_t kMostListedDevices = 65536;

struct DeviceListReading {
  std::vector<std::string> addresses;
  // Why the list was refused, naming the line; empty when it was read.
  std::string error;
};

// The addresses of a device list: one a line, blank lines and "#" comments skipped. Only the
// first word of a line counts, and a line holding a JSON object gives its "address", so the
// output of a scan, plain or JSON, feeds a list as it is. A line that names no address, a
// line or a list past its bound, is refused with the line's number: nothing is run then.
DeviceListReading readDeviceList(std::istream& in);

}  // namespace app::cli
