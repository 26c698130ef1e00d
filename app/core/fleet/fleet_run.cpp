#include "app/core/fleet/fleet_run.h"

#include <mutex>
#include <set>

#include "app/core/fleet/worker_pool.h"
#include "app/core/restart_wait.h"

namespace app::fleet {
namespace {

class FleetRunner {
 public:
  FleetRunner(const FleetRunOptions& options, FleetObserver& observer,
              const std::atomic<bool>& stop)
      : options_(options), observer_(observer), stop_(stop) {}

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
    run.waitRestartSeconds = options_.waitRestartSeconds;
    run.allowOlder = options_.allowOlder;
    run.askDowngrade = options_.askDowngrade;
    run.stop = &stop_;
    run.onRestartWait = [this, &address](int seconds) {
      observer_.restartWaitStarted(address, seconds);
    };
    run.onStep = [this, &address](const RunStep& step) { observer_.step(address, step); };
    const DeviceOutcome outcome = runDevice(address, run);
    count(outcome);
    observer_.outcome(outcome);
  }

  // The tally, with its devices named in the order of the list.
  [[nodiscard]] FleetTally tally(const std::vector<DeviceAddress>& addresses, std::size_t started) {
    const std::scoped_lock lock(mutex_);
    FleetTally tally = tally_;
    tally.devices = static_cast<int>(addresses.size());
    tally.notStarted = static_cast<int>(addresses.size() - started);
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      const DeviceAddress& address = addresses[i];
      if (i >= started) tally.notStartedDevices.push_back(address);
      if (failed_.contains(address)) tally.failedDevices.push_back(address);
      if (unverified_.contains(address)) tally.unverifiedDevices.push_back(address);
    }
    return tally;
  }

 private:
  void count(const DeviceOutcome& outcome) {
    const std::scoped_lock lock(mutex_);
    switch (outcome.result) {
      case RunResult::Uploaded:
        ++tally_.uploaded;
        break;
      case RunResult::Declined:
        ++tally_.declined;
        break;
      case RunResult::Checked:
        ++tally_.checked;
        countVerdict(outcome.verdict);
        break;
      case RunResult::Failed:
      case RunResult::Interrupted:
        ++tally_.failed;
        failed_.insert(outcome.address);
        break;
    }
    const bool notBack = outcome.verification == Verification::NotBack;
    if (notBack) {
      ++tally_.notBack;
      unverified_.insert(outcome.address);
    }
    if (outcome.verification == Verification::Verified) ++tally_.verified;
    tally_.lastExitCode = notBack ? 1 : exitCodeOf(outcome.result);
  }

  void countVerdict(VersionVerdict verdict) {
    switch (verdict) {
      case VersionVerdict::UpdateAvailable:
        ++tally_.updateAvailable;
        break;
      case VersionVerdict::OnImageVersion:
        ++tally_.onImageVersion;
        break;
      case VersionVerdict::NewerThanImage:
        ++tally_.newer;
        break;
      case VersionVerdict::Unreadable:
        ++tally_.unreadable;
        break;
    }
  }

  const FleetRunOptions& options_;
  FleetObserver& observer_;
  const std::atomic<bool>& stop_;
  std::mutex mutex_;
  FleetTally tally_;
  std::set<DeviceAddress> failed_;
  std::set<DeviceAddress> unverified_;
};

}  // namespace

FleetTally runFleet(const std::vector<DeviceAddress>& addresses, const FleetRunOptions& options,
                    FleetObserver& observer, const std::atomic<bool>& stop) {
  FleetRunner runner(options, observer, stop);
  const std::size_t started =
      runOnWorkers(addresses.size(), options.jobs, stop,
                   [&](std::size_t index) { runner.runOne(addresses[index]); });
  return runner.tally(addresses, started);
}

}  // namespace app::fleet
