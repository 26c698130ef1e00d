#pragma once

#include <string>

#include "app/core/device_run.h"

namespace app::cli {

// One JSON object on one line (UTF-8, no line break): address, versionText, version (a
// number or null), asked, result, status, error and stateError ({"class", "message"} or
// null), bytesSent, seconds.
std::string outcomeJson(const DeviceOutcome& outcome);

}  // namespace app::cli
