#include "app/core/fleet/fleet_run.h"

#include <algorithm>
#include <condition_variable>
#include <set>
#include <stdexcept>
#include <utility>

#include "app/core/core_text.h"
#include "app/core/fleet/worker_pool.h"
#include "app/core/run_record.h"
#include "text/utf8_codec.h"

namespace app::fleet {
namespace {

// Thrown into an upload, between two pieces of the image, once a signal ends the run.
class UploadStopped : public std::runtime_error {
 public:
  UploadStopped() : std::runtime_error("the upload stopped: the run ends") {}
};

std::u16string count64(std::int64_t value) { return text::utf8ToUtf16(std::to_string(value)); }

}  // namespace

// Hears the devices' runs before the front end does: keeps what each device under way has
// done, so that a signal can end it with an outcome of its own, and holds back whatever the
// run tells after that.
class FleetRun::Tracker final : public RunObserver {
 public:
  explicit Tracker(RunObserver& next) : next_(next) {}

  // What the devices are; the ones never started get lines of their own.
  void expect(const std::vector<DeviceAddress>& addresses) {
    const std::scoped_lock lock(mutex_);
    addresses_ = addresses;
  }

  // False once the run has ended: the device is then not to be run at all.
  bool start(const DeviceAddress& address) {
    {
      const std::scoped_lock lock(mutex_);
      if (ending_) return false;
      running_[address] = RunSoFar{std::chrono::steady_clock::now()};
      started_.insert(address);
    }
    next_.deviceStarted(address);
    return true;
  }
  void phase(const DeviceAddress& address, const PhaseChange& change) override {
    {
      const std::scoped_lock lock(mutex_);
      if (ending_) {
        // Between two pieces of the image: the upload sends nothing more, so what it has
        // sent so far is what its line will say.
        if (change.phase == RunPhase::Sending) stopSending(address, change);
        return;
      }
      RunSoFar& device = running_[address];
      if (change.phase == RunPhase::Sending) {
        device.uploading = true;
        device.sent = change.sent;
        device.total = change.total;
        device.stopped = change.sent == change.total;
      }
      if (change.phase == RunPhase::Restarting) device.restarting = true;
    }
    next_.phase(address, change);
  }
  void stateRead(const DeviceAddress& address, const std::u16string& versionText) override {
    {
      const std::scoped_lock lock(mutex_);
      if (ending_) return;
      running_[address].versionText = versionText;
    }
    next_.stateRead(address, versionText);
  }
  void step(const DeviceAddress& address, const RunStep& step) override {
    if (!ending_) next_.step(address, step);
  }
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override {
    if (!ending_) next_.diagnostic(address, line);
  }
  void recordFailed(const std::u16string& message) override {
    recordFailed_ = true;
    next_.recordFailed(message);
  }

  // The device is tried again: nothing of this try has been sent yet. False once the run
  // has ended: then no further try.
  bool retrying(const DeviceAddress& address, int tryNumber) {
    const std::scoped_lock lock(mutex_);
    if (ending_) return false;
    RunSoFar& device = running_[address];
    device.uploading = false;
    device.restarting = false;
    device.stopped = true;
    device.sent = 0;
    device.total = 0;
    device.tries = tryNumber;
    return true;
  }

  // The device is done: its line is written, unless a signal has ended the run.
  bool finish(const DeviceOutcome& outcome, RecordSink* record) {
    const std::scoped_lock lock(mutex_);
    if (ending_) {
      // The interrupt writes this device's line: the interrupted one when it stopped the
      // upload, else the outcome that came while it waited.
      if (auto device = running_.find(outcome.address); device != running_.end()) {
        if (!stoppedByEnd_.contains(outcome.address)) endedWhileEnding_[outcome.address] = outcome;
        device->second.stopped = true;
        stopped_.notify_all();
      }
      return false;
    }
    running_.erase(outcome.address);
    writeRecordLine(record, recordLine(outcome, std::chrono::system_clock::now()), *this);
    count(outcome);
    return true;
  }

  void notStarted(const DeviceAddress& address, RecordSink* record) {
    {
      const std::scoped_lock lock(mutex_);
      if (ending_) return;
      // Its line is written: an interrupt now does not write it again.
      started_.insert(address);
      writeRecordLine(record, notStartedRecordLine(address, std::chrono::system_clock::now()),
                      *this);
    }
    next_.notStarted(address);
  }

  // Ends the run: the outcomes of the devices under way, once their uploads have stopped
  // sending (or kUploadStopWait has passed), and which of them had their uploads cut off; and
  // the devices never started.
  struct Ending {
    std::vector<std::pair<DeviceOutcome, bool>> outcomes;
    std::vector<DeviceAddress> notStarted;
  };
  Ending end(const std::u16string& by, RecordSink* record) {
    Ending ending;
    std::unique_lock lock(mutex_);
    if (ending_) return ending;
    ending_ = true;
    stopped_.wait_for(lock, kUploadStopWait, [this] {
      return std::ranges::all_of(running_,
                                 [](const auto& device) { return device.second.stopped; });
    });
    const auto now = std::chrono::steady_clock::now();
    for (const auto& [address, soFar] : running_) {
      if (auto done = endedWhileEnding_.find(address); done != endedWhileEnding_.end()) {
        ending.outcomes.emplace_back(done->second, false);
      } else {
        ending.outcomes.emplace_back(interruptedOutcome(address, soFar, by, now),
                                     cutsOffUpload(soFar));
      }
      writeRecordLine(record,
                      recordLine(ending.outcomes.back().first, std::chrono::system_clock::now()),
                      *this);
    }
    running_.clear();
    for (const DeviceAddress& address : addresses_) {
      if (started_.contains(address)) continue;
      writeRecordLine(record, notStartedRecordLine(address, std::chrono::system_clock::now()),
                      *this);
      ending.notStarted.push_back(address);
    }
    return ending;
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
  // Under the lock, while the run ends: the upload stops here, between two pieces, or
  // before its request goes out (sent 0 before anything was sent).
  void stopSending(const DeviceAddress& address, const PhaseChange& change) {
    if (auto device = running_.find(address); device != running_.end()) {
      RunSoFar& soFar = device->second;
      if (soFar.uploading) soFar.sent = change.sent;
      soFar.stopped = true;
      stoppedByEnd_.insert(address);
      stopped_.notify_all();
    }
    throw UploadStopped();
  }

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
  std::condition_variable stopped_;
  // An interrupt has begun: no device starts or sends any more, and nothing more is told.
  std::atomic<bool> ending_{false};
  std::vector<DeviceAddress> addresses_;
  std::set<DeviceAddress> started_;
  std::set<DeviceAddress> stoppedByEnd_;
  std::map<DeviceAddress, DeviceOutcome> endedWhileEnding_;
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

void FleetRun::runOne(const DeviceAddress& address, WorkerSlot& slot) {
  if (!tracker_->start(address)) return;
  DeviceRunOptions run;
  run.mode = options_.mode;
  run.waitRestartSeconds = options_.waitRestartSeconds;
  run.allowOlder = options_.allowOlder;
  run.askDowngrade = options_.askDowngrade;
  run.stop = stop_;
  run.beforeRestartWait = [&slot] { slot.release(); };
  const DeviceOutcome outcome = runDeviceWithRetries(
      address, run, options_.retry, *tracker_, questioner_,
      [this, &address](int tryNumber) { return tracker_->retrying(address, tryNumber); });
  if (tracker_->finish(outcome, options_.record)) observer_.outcome(outcome);
}

FleetTally FleetRun::run(const std::vector<DeviceAddress>& addresses,
                         const std::atomic<bool>& stop) {
  stop_ = &stop;
  tracker_->expect(addresses);
  const std::size_t started =
      runOnWorkers(addresses.size(), options_.jobs, stop,
                   [&](std::size_t index, WorkerSlot& slot) { runOne(addresses[index], slot); });
  for (std::size_t i = started; i < addresses.size(); ++i) {
    tracker_->notStarted(addresses[i], options_.record);
  }
  return tracker_->tally(addresses, started);
}

std::vector<DeviceAddress> FleetRun::interrupt(const std::u16string& by) {
  std::vector<DeviceAddress> cut;
  const Tracker::Ending ending = tracker_->end(by, options_.record);
  for (const auto& [outcome, cutOff] : ending.outcomes) {
    observer_.outcome(outcome);
    if (cutOff) cut.push_back(outcome.address);
  }
  for (const DeviceAddress& address : ending.notStarted) observer_.notStarted(address);
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
  } else if (soFar.sent < soFar.total && !soFar.stopped) {
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez",
                                                  "interrupted by %1 after at least %2 of %3 "
                                                  "bytes of the image: the upload is cut off"),
                                {by, count64(soFar.sent), count64(soFar.total)});
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
