#pragma once

#include <atomic>
#include <functional>
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

// Told after each probe, from the probing threads, several at once: the register found there,
// or nullptr when none answered.
using ProbeReport = std::function<void(const DeviceAddress& address, const FoundDevice* found)>;

// Probes every address of the range for a state document and gives the registers found, in
// address order. Stops starting probes once stop is set.
std::vector<FoundDevice> discover(const AddressRange& range, const std::atomic<bool>& stop,
                                  const ProbeReport& onProbed = {});

}  // namespace app::fleet
