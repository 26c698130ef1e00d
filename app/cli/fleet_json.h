#pragma once

#include <string>

#include "app/core/fleet/discovery.h"
#include "app/core/fleet/fleet_observer.h"

namespace app::cli {

// A device's JSON line. When a restart wait was asked for it also holds versionAfter (the
// version the device came back with; null when it did not, or when nothing was uploaded) and
// restartSeconds (null when there was no wait).
std::string deviceJson(const fleet::FleetDeviceOutcome& outcome);

// A register found by a scan: address, versionText and version (a number or null).
std::string foundDeviceJson(const fleet::FoundDevice& device);

}  // namespace app::cli
