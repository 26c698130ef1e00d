// Reads arbitrary bytes as a device list and as a scan range.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "app/cli/device_list.h"
#include "app/core/fleet/address_range.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  for (const std::string& address : app::cli::readDeviceList(in)) {
    // An address comes from a word of the input: never empty, and no longer than the input
    // with each byte replaced by U+FFFD (three bytes), as invalid UTF-8 in a JSON line is.
    if (address.empty() || address.size() > 3 * size) __builtin_trap();
  }
  std::string error;
  if (const auto range = app::fleet::parseScanRange(text, error)) {
    if (range->first > range->last || range->size() > 65534) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
