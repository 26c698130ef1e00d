#include "app/core/fleet/fleet_run.h"

#include <mutex>

#include "app/core/fleet/restart_wait.h"
#include "app/core/fleet/worker_pool.h"

namespace app::fleet {
namespace {

class FleetRunner {
 public:
  FleetRunner(const FleetRunOptions& options, FleetObserver& observer)
      : options_(options), observer_(observer) {}

  void runOne(const DeviceAddress& address) {
    observer_.deviceStarted(address);
    DeviceRunOptions run;
    run.mode = options_.mode;
    run.answer = [this](const DeviceAddress& device, const std::u16string& question) {
      return observer_.question(device, question);
    };
    run.onProgress = [this, &address](std::int64_t sent, std::int64_t total) {
      observer_.progress(address, sent, total);
    };
    run.onDiagnostic = [this, &address](const std::u16string& line) {
      observer_.diagnostic(address, line);
    };
    FleetDeviceOutcome outcome;
    outcome.device = runDevice(address, run);
    outcome.restartWaitAsked = options_.waitRestartSeconds.has_value();
    if (outcome.restartWaitAsked && outcome.device.result == RunResult::Uploaded) {
      outcome.restart =
          waitForRestart(address, outcome.device.versionText, *options_.waitRestartSeconds);
    }
    count(outcome);
    observer_.outcome(outcome);
  }

  [[nodiscard]] FleetTally tally() {
    const std::scoped_lock lock(mutex_);
    return tally_;
  }

 private:
  void count(const FleetDeviceOutcome& outcome) {
    const std::scoped_lock lock(mutex_);
    switch (outcome.device.result) {
      case RunResult::Uploaded:
        ++tally_.uploaded;
        break;
      case RunResult::Declined:
        ++tally_.declined;
        break;
      case RunResult::Checked:
        ++tally_.checked;
        break;
      case RunResult::Failed:
        ++tally_.failed;
        break;
    }
    const bool notBack = outcome.restart && !outcome.restart->stateAfter;
    if (notBack) ++tally_.notBack;
    tally_.lastExitCode = notBack ? 1 : exitCodeOf(outcome.device.result);
  }

  const FleetRunOptions& options_;
  FleetObserver& observer_;
  std::mutex mutex_;
  FleetTally tally_;
};

}  // namespace

FleetTally runFleet(const std::vector<DeviceAddress>& addresses, const FleetRunOptions& options,
                    FleetObserver& observer, const std::atomic<bool>& stop) {
  FleetRunner runner(options, observer);
  const std::size_t started =
      runOnWorkers(addresses.size(), options.jobs, stop,
                   [&](std::size_t index) { runner.runOne(addresses[index]); });
  FleetTally tally = runner.tally();
  tally.devices = static_cast<int>(addresses.size());
  tally.notStarted = static_cast<int>(addresses.size() - started);
  return tally;
}

}  // namespace app::fleet
