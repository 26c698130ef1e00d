#pragma once

#include <atomic>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/device_state.h"
#include "app/core/fleet/address_range.h"

namespace app::fleet {

// A register that answered the scan.
struct FoundDevice {
  DeviceAddress address;
  StateReading state;
};

// Probes under way at once.
inline constexpr int kScanConcurrency = 64;

// Probes every address of the range for a state document and gives the registers found, in
// address order. Stops starting probes once stop is set.
std::vector<FoundDevice> discover(const AddressRange& range, const std::atomic<bool>& stop);

}  // namespace app::fleet
