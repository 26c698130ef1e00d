#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/console.h"
#include "app/cli/device_run.h"

namespace app::fleet {

struct FleetRunOptions {
  cli::RunMode mode = cli::RunMode::Upload;
  // Called for one device at a time; already serialised.
  cli::Questioner answer;
  int jobs = 1;
  bool json = false;
  // Lines name their device (a list); a single address keeps the plain status line.
  bool nameDevices = true;
  std::optional<int> waitRestartSeconds;
};

// What a run over many devices did.
struct FleetTally {
  int devices = 0;
  int uploaded = 0;
  int failed = 0;
  int declined = 0;
  int checked = 0;
  int notBack = 0;     // uploaded, but not answering again within the wait
  int notStarted = 0;  // left out after Ctrl-C
  // The last device's own exit code (for a single address).
  int lastExitCode = 0;

  // A failure for --exit-status: a device failed, did not come back, or was never started.
  [[nodiscard]] bool anyFailed() const { return failed > 0 || notBack > 0 || notStarted > 0; }
};

// Runs every address, up to options.jobs at once, each with clients of its own. One
// device's failure never stops the others; once stop is set no further device starts.
// Every device's line goes to standard output as it ends, causes to standard error.
FleetTally runFleet(const std::vector<std::u16string>& addresses, const FleetRunOptions& options,
                    cli::Console& console, const std::atomic<bool>& stop);

// "5 devices: 3 uploaded, 1 failed, 1 declined" and what else happened.
std::u16string summaryLine(const FleetTally& tally);

}  // namespace app::fleet
