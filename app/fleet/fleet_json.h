#pragma once

#include <optional>
#include <string>

#include "app/cli/device_run.h"
#include "app/fleet/discovery.h"
#include "app/fleet/restart_wait.h"

namespace app::fleet {

// A device's JSON line. When a restart wait was asked for it also holds versionAfter (the
// version the device came back with; null when it did not, or when nothing was uploaded) and
// restartSeconds (null when there was no wait).
std::string deviceJson(const cli::DeviceOutcome& outcome, bool restartWaitAsked,
                       const std::optional<RestartOutcome>& restart);

// A register found by a scan: address, versionText and version (a number or null).
std::string foundDeviceJson(const FoundDevice& device);

}  // namespace app::fleet
