#pragma once

#include <chrono>
#include <string>

#include "app/core/device_run.h"

namespace app {

// One line of the record of what was done: a JSON object with the time in UTC (ISO 8601),
// the site, the run's id, the updater's version, the PC's host name and user, the address,
// versionBefore, versionAfter, imageVersion, imageSha256, result, verified (true, false, or
// null without a restart wait), verification, cause ({"class", "message"} or null), seconds,
// tries, restartSeconds and waitRestart. Ends with a line feed.
std::string recordLine(const DeviceOutcome& outcome, std::chrono::system_clock::time_point when);

// The line of a device of a list that was never started.
std::string notStartedRecordLine(const DeviceAddress& address,
                                 std::chrono::system_clock::time_point when);

// Appends one line to the record file as RecordFileWriter does, opening it for this line
// alone. Raises FileError naming the file and the system's reason.
void appendRecordLine(const std::string& path, const std::string& line);

}  // namespace app
