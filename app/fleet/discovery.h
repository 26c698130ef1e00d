#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "app/fleet/address_range.h"
#include "app/fleet/state_probe.h"

namespace app::fleet {

// A register that answered the scan.
struct FoundDevice {
  std::string address;
  StateReading state;
};

// Limits of one probe: a register on the shop's network connects at once.
inline constexpr int kScanConnectTimeout = 300;
inline constexpr int kScanReadTimeout = 2000;
// Probes under way at once.
inline constexpr int kScanConcurrency = 64;

// Probes every address of the range for a state document and gives the registers found, in
// address order. Stops starting probes once stop is set.
std::vector<FoundDevice> discover(const AddressRange& range, const std::atomic<bool>& stop);

}  // namespace app::fleet
