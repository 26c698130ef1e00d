// Reads arbitrary bytes as a device list and as a scan range.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/cli/address_syntax.h"
#include "app/cli/device_list.h"
#include "app/core/fleet/address_range.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  const auto listed = app::cli::readDeviceList(in);
  for (const std::string& address : listed.addresses) {
    // Only addresses pass: never empty, never longer than a host name may be.
    if (address.empty() || address.size() > 253 || !app::cli::isDeviceAddress(address)) {
      __builtin_trap();
    }
  }
  std::string error;
  if (const auto range = app::fleet::parseScanRange(text, error)) {
    if (range->first > range->last || range->size() > 65534) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
