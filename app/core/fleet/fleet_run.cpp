#include "app/core/fleet/fleet_run.h"

#include <set>
#include <utility>

#include "app/core/core_text.h"
#include "app/core/fleet/worker_pool.h"
#include "app/core/run_record.h"
#include "text/utf8_codec.h"

namespace app::fleet {
namespace {

std::u16string count64(std::int64_t value) { return text::utf8ToUtf16(std::to_string(value)); }

}  // namespace

// Hears the devices' runs before the front end does: keeps what each device under way has
// done, so that a signal can end it with an outcome of its own, and holds back whatever the
// run tells after that.
class FleetRun::Tracker final : public RunObserver {
 public:
  explicit Tracker(RunObserver& next) : next_(next) {}

  void deviceStarted(const DeviceAddress& address) override {
    {
      const std::scoped_lock lock(mutex_);
      if (ended_) return;
      running_[address] = RunSoFar{std::chrono::steady_clock::now()};
    }
    next_.deviceStarted(address);
  }
  void phase(const DeviceAddress& address, const PhaseChange& change) override {
    {
      const std::scoped_lock lock(mutex_);
      if (ended_) return;
      RunSoFar& device = running_[address];
      if (change.phase == RunPhase::Sending) {
        device.uploading = true;
        device.sent = change.sent;
        device.total = change.total;
      }
      if (change.phase == RunPhase::Restarting) device.restarting = true;
    }
    next_.phase(address, change);
  }
  void stateRead(const DeviceAddress& address, const std::u16string& versionText) override {
    {
      const std::scoped_lock lock(mutex_);
      if (ended_) return;
      running_[address].versionText = versionText;
    }
    next_.stateRead(address, versionText);
  }
  void step(const DeviceAddress& address, const RunStep& step) override {
    if (!ended_) next_.step(address, step);
  }
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override {
    if (!ended_) next_.diagnostic(address, line);
  }
  void recordFailed(const std::u16string& message) override {
    recordFailed_ = true;
    next_.recordFailed(message);
  }

  // The device is tried again: nothing of this try has been sent yet.
  void retrying(const DeviceAddress& address, int tryNumber) {
    const std::scoped_lock lock(mutex_);
    if (ended_) return;
    RunSoFar& device = running_[address];
    device.uploading = false;
    device.restarting = false;
    device.sent = 0;
    device.total = 0;
    device.tries = tryNumber;
  }

  // The device is done: its line is written, unless a signal has ended the run.
  bool finish(const DeviceOutcome& outcome, RecordSink* record) {
    const std::scoped_lock lock(mutex_);
    if (ended_) return false;
    running_.erase(outcome.address);
    writeRecordLine(record, recordLine(outcome, std::chrono::system_clock::now()), *this);
    count(outcome);
    return true;
  }

  void notStarted(const DeviceAddress& address, RecordSink* record) {
    {
      const std::scoped_lock lock(mutex_);
      if (ended_) return;
      writeRecordLine(record, notStartedRecordLine(address, std::chrono::system_clock::now()),
                      *this);
    }
    next_.notStarted(address);
  }

  // Ends the run: the outcomes of the devices under way, and which of them had their
  // uploads cut off.
  std::vector<std::pair<DeviceOutcome, bool>> end(const std::u16string& by, RecordSink* record) {
    std::vector<std::pair<DeviceOutcome, bool>> outcomes;
    const std::scoped_lock lock(mutex_);
    if (ended_) return outcomes;
    ended_ = true;
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [address, soFar] : running_) {
      outcomes.emplace_back(interruptedOutcome(address, soFar, by, now), cutsOffUpload(soFar));
      writeRecordLine(record, recordLine(outcomes.back().first, std::chrono::system_clock::now()),
                      *this);
    }
    running_.clear();
    return outcomes;
  }

  [[nodiscard]] FleetTally tally(const std::vector<DeviceAddress>& addresses, std::size_t started) {
    const std::scoped_lock lock(mutex_);
    FleetTally tally = tally_;
    tally.devices = static_cast<int>(addresses.size());
    tally.notStarted = static_cast<int>(addresses.size() - started);
    tally.recordFailed = recordFailed_;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
      const DeviceAddress& address = addresses[i];
      if (i >= started) tally.notStartedDevices.push_back(address);
      if (failed_.contains(address)) tally.failedDevices.push_back(address);
      if (unverified_.contains(address)) tally.unverifiedDevices.push_back(address);
    }
    return tally;
  }

 private:
  // Under the lock.
  void count(const DeviceOutcome& outcome) {
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

  // Under the lock.
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

  RunObserver& next_;
  std::mutex mutex_;
  std::atomic<bool> ended_{false};
  std::atomic<bool> recordFailed_{false};
  std::map<DeviceAddress, RunSoFar> running_;
  FleetTally tally_;
  std::set<DeviceAddress> failed_;
  std::set<DeviceAddress> unverified_;
};

FleetRun::FleetRun(FleetRunOptions options, RunObserver& observer, Questioner& questioner)
    : options_(options),
      observer_(observer),
      questioner_(questioner),
      tracker_(std::make_unique<Tracker>(observer)) {}

FleetRun::~FleetRun() = default;

void FleetRun::runOne(const DeviceAddress& address) {
  tracker_->deviceStarted(address);
  DeviceRunOptions run;
  run.mode = options_.mode;
  run.waitRestartSeconds = options_.waitRestartSeconds;
  run.allowOlder = options_.allowOlder;
  run.askDowngrade = options_.askDowngrade;
  run.stop = stop_;
  const DeviceOutcome outcome = runDeviceWithRetries(
      address, run, options_.retry, *tracker_, questioner_,
      [this, &address](int tryNumber) { tracker_->retrying(address, tryNumber); });
  if (tracker_->finish(outcome, options_.record)) observer_.outcome(outcome);
}

FleetTally FleetRun::run(const std::vector<DeviceAddress>& addresses,
                         const std::atomic<bool>& stop) {
  stop_ = &stop;
  const std::size_t started = runOnWorkers(addresses.size(), options_.jobs, stop,
                                           [&](std::size_t index) { runOne(addresses[index]); });
  for (std::size_t i = started; i < addresses.size(); ++i) {
    tracker_->notStarted(addresses[i], options_.record);
  }
  return tracker_->tally(addresses, started);
}

std::vector<DeviceAddress> FleetRun::interrupt(const std::u16string& by) {
  std::vector<DeviceAddress> cut;
  for (const auto& [outcome, cutOff] : tracker_->end(by, options_.record)) {
    observer_.outcome(outcome);
    if (cutOff) cut.push_back(outcome.address);
  }
  return cut;
}

FleetTally runFleet(const std::vector<DeviceAddress>& addresses, const FleetRunOptions& options,
                    RunObserver& observer, Questioner& questioner, const std::atomic<bool>& stop) {
  FleetRun run(options, observer, questioner);
  return run.run(addresses, stop);
}

bool cutsOffUpload(const RunSoFar& soFar) { return soFar.uploading && !soFar.restarting; }

DeviceOutcome interruptedOutcome(const DeviceAddress& address, const RunSoFar& soFar,
                                 const std::u16string& by,
                                 std::chrono::steady_clock::time_point now) {
  DeviceOutcome outcome;
  outcome.address = address;
  outcome.result = RunResult::Interrupted;
  outcome.versionText = soFar.versionText;
  outcome.bytesSent = soFar.sent;
  outcome.tries = soFar.tries;
  outcome.seconds = std::chrono::duration<double>(now - soFar.start).count();
  if (soFar.restarting) {
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez",
                                                  "interrupted by %1 while waiting for the "
                                                  "register to come back: the update is "
                                                  "unverified"),
                                {by});
  } else if (!soFar.uploading) {
    outcome.status =
        translated(QT_TRANSLATE_NOOP("zedez", "interrupted by %1 before the image was sent"), {by});
  } else if (soFar.sent < soFar.total) {
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez",
                                                  "interrupted by %1 after %2 of %3 bytes of "
                                                  "the image: the upload is cut off"),
                                {by, count64(soFar.sent), count64(soFar.total)});
  } else {
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez",
                                                  "interrupted by %1 after the whole image was "
                                                  "sent (%2 bytes), before the register "
                                                  "answered"),
                                {by, count64(soFar.total)});
  }
  outcome.error = FailureCause{"Interrupted", outcome.status, {}};
  return outcome;
}

}  // namespace app::fleet
