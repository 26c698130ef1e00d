#pragma once

#include <atomic>
#include <optional>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/fleet/fleet_observer.h"

namespace app::fleet {

struct FleetRunOptions {
  RunMode mode = RunMode::Upload;
  int jobs = 1;
  // After each upload, wait this long at most for the device to answer again, and verify
  // the version it comes back with.
  std::optional<int> waitRestartSeconds;
  // See DeviceRunOptions.
  bool allowOlder = false;
  bool askDowngrade = false;
};

// What a run over many devices did.
struct FleetTally {
  int devices = 0;
  int uploaded = 0;
  int failed = 0;
  int declined = 0;
  int checked = 0;
  // Where the checked devices stand against the image's version.
  int updateAvailable = 0;
  int onImageVersion = 0;
  int newer = 0;
  int unreadable = 0;
  int verified = 0;    // back on the image's version
  int notBack = 0;     // uploaded, but not answering again within the wait: unverified
  int notStarted = 0;  // left out after a stop: the last ones of the list
  // The last device's own exit code (for a single address).
  int lastExitCode = 0;
  // Who: in the order of the list.
  std::vector<DeviceAddress> failedDevices;
  std::vector<DeviceAddress> unverifiedDevices;
  std::vector<DeviceAddress> notStartedDevices;

  // A failure for --exit-status: a device failed, did not come back, or was never started.
  [[nodiscard]] bool anyFailed() const { return failed > 0 || notBack > 0 || notStarted > 0; }
};

// Runs every address, up to options.jobs at once, each with clients of its own, and tells the
// observer as it goes. One device's failure never stops the others; once stop is set no
// further device starts, and those under way finish.
FleetTally runFleet(const std::vector<DeviceAddress>& addresses, const FleetRunOptions& options,
                    FleetObserver& observer, const std::atomic<bool>& stop);

}  // namespace app::fleet
