#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/console.h"
#include "app/core/device_address.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/run_observer.h"

namespace app::cli {

// What a list would do, read from each register's state before anything changes.
struct RunPlan {
  std::vector<DeviceAddress> toUpdate;  // older than the image
  std::vector<DeviceAddress> current;   // on the image's version: the question comes up
  std::vector<DeviceAddress> newer;     // newer than the image: asked, as a downgrade
  std::vector<DeviceAddress> unreadable;
  std::vector<DeviceAddress> notAnswering;

  // Whether the run would change anything, so that a confirmation means something.
  [[nodiscard]] bool changesAnything(std::optional<Answer> preset) const {
    return !toUpdate.empty() || ((!current.empty() || !newer.empty()) && preset != Answer::No);
  }
};

// Reads the state of every address, jobs at once, in the order of the list; once stop is set
// the rest count as not answering. Shows how far it is on the terminal.
RunPlan readPlan(const std::vector<DeviceAddress>& addresses, int jobs,
                 const std::atomic<bool>& stop, Console& console);

// "50 registers: 40 to update, 5 current (ask), 3 newer (ask), 0 unreadable, 2 not
// answering", then a line naming the registers of each kind that needs a look.
std::vector<std::u16string> planLines(const RunPlan& plan, std::optional<Answer> preset);

// The plan and one question, "Continue? [Y/n]". True: go on.
bool confirmPlan(const RunPlan& plan, std::optional<Answer> preset, Console& console);

// What a checked list found: "50 devices checked: 40 to update, 5 current, 3 newer, 0
// unreadable, 2 failed".
std::u16string checkSummaryLine(const fleet::FleetTally& tally);

// The exit code of a check: 1 when a device failed, 100 when one would be updated, else 0.
int checkExitCode(const fleet::FleetTally& tally);

}  // namespace app::cli
