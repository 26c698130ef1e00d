#pragma once

#include <atomic>
#include <optional>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_state.h"

namespace app {

inline constexpr int kDefaultRestartWaitSeconds = 120;

// How a device came back after its upload.
struct RestartOutcome {
  std::optional<StateReading> stateAfter;  // empty: not back in time
  double seconds = 0;                      // from the start of the wait
  int waitSeconds = 0;                     // the longest it could have been
};

// Polls the device's state after an upload until it answers again, at most waitSeconds.
// The device restarts after an upload, so an answer counts only once the device has been
// silent at least once, or when it names another version than before: an answer from the
// software still running before the restart is not the new one.
// A stop, when given and set, ends the wait at its next poll: not back, unverified.
RestartOutcome waitForRestart(const DeviceAddress& address, const std::u16string& versionBefore,
                              int waitSeconds, const std::atomic<bool>* stop = nullptr);

}  // namespace app
