#pragma once

#include <string>

#include "app/core/device_run.h"
#include "app/core/fleet/discovery.h"

namespace app::cli {

// One JSON object on one line (UTF-8, no line break): address, versionText, version (a
// number or null), verdict, asked, result, status, error and stateError ({"class",
// "message"} or null), bytesSent, seconds, imageVersion and imageSha256. After a restart wait
// was asked for, also versionAfter (null when the device did not come back, or nothing was
// uploaded), restartSeconds (null when there was no wait) and verification ("verified",
// "wrong-version", "not-back", or null).
std::string outcomeJson(const DeviceOutcome& outcome);

// A device of a list that was never started: its address, result "not-started", and the
// image's identity.
std::string notStartedJson(const DeviceAddress& address);

// A register found by a scan: address, versionText, version (a number or null), verdict,
// imageVersion and imageSha256.
std::string foundDeviceJson(const fleet::FoundDevice& device);

}  // namespace app::cli
