#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/retry.h"
#include "app/core/run_observer.h"

namespace app {
class RecordSink;
}

namespace app::fleet {

class WorkerSlot;

// How many devices a run updates at once, unless told; and at most.
inline constexpr int kDefaultJobs = 4;
inline constexpr int kMostJobs = 64;

struct FleetRunOptions {
  RunMode mode = RunMode::Upload;
  int jobs = 1;
  // After each upload, wait this long at most for the device to answer again, and verify
  // the version it comes back with.
  std::optional<int> waitRestartSeconds;
  // Where each device's line goes: each outcome, the devices never started and those
  // interrupted; none: no record.
  RecordSink* record = nullptr;
  // See DeviceRunOptions.
  bool allowOlder = false;
  bool askDowngrade = false;
  // A register that refused or did not answer is tried again, as --retry asks.
  RetryPolicy retry;
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
  // A record line could not be written.
  bool recordFailed = false;

  // A failure for --exit-status: a device failed, did not come back, or was never started.
  [[nodiscard]] bool anyFailed() const { return failed > 0 || notBack > 0 || notStarted > 0; }
};

// A run over many devices: up to options.jobs at once, each with clients of its own; a device
// that only waits for its restart leaves its place to the next. It tells the observer as it
// goes and writes each device's record line. One device's failure never stops the others;
// once stop is set no further device starts, and those under way finish.
class FleetRun {
 public:
  FleetRun(FleetRunOptions options, RunObserver& observer, Questioner& questioner);
  FleetRun(const FleetRun&) = delete;
  FleetRun& operator=(const FleetRun&) = delete;
  ~FleetRun();

  FleetTally run(const std::vector<DeviceAddress>& addresses, const std::atomic<bool>& stop);

  // A signal ends the program now (by: its name): every device still under way gets an
  // interrupted outcome, recorded and told, that says how much of the image it had been sent,
  // counted once its upload has stopped sending (waiting at most kUploadStopWait for that);
  // the devices not yet started get their lines too. Nothing more is told of the run after
  // this. Gives the devices whose uploads it cuts off. Safe to call from any thread while
  // run() goes on.
  std::vector<DeviceAddress> interrupt(const std::u16string& by);

 private:
  class Tracker;

  void runOne(const DeviceAddress& address, WorkerSlot& slot);
  void finish(const DeviceOutcome& outcome);

  FleetRunOptions options_;
  RunObserver& observer_;
  Questioner& questioner_;
  std::unique_ptr<Tracker> tracker_;
  const std::atomic<bool>* stop_ = nullptr;
};

// A run of its own: the same as FleetRun(options, observer, questioner).run(addresses, stop).
FleetTally runFleet(const std::vector<DeviceAddress>& addresses, const FleetRunOptions& options,
                    RunObserver& observer, Questioner& questioner, const std::atomic<bool>& stop);

// How long an interrupt waits for the uploads under way to stop between two pieces of the
// image, so that what their lines say was sent is what the connection took.
inline constexpr std::chrono::milliseconds kUploadStopWait{1000};

// What a device under way had done when a signal ended the program.
struct RunSoFar {
  std::chrono::steady_clock::time_point start;
  // The upload's request has gone out: the connection may hold part of the image.
  bool uploading = false;
  std::int64_t sent = 0;
  std::int64_t total = 0;
  // The upload was answered and the restart wait is under way.
  bool restarting = false;
  // The upload stopped sending before the count was taken; false: a piece of the image may
  // still have been on its way, and sent is the least that went out.
  bool stopped = true;
  // The version the state query read, once it did.
  std::u16string versionText{};
  int tries = 1;
};

// The outcome of a device that a signal (by: its name) cut off.
DeviceOutcome interruptedOutcome(const DeviceAddress& address, const RunSoFar& soFar,
                                 const std::u16string& by,
                                 std::chrono::steady_clock::time_point now);

// The upload was cut off: its request had gone out and was not yet answered.
bool cutsOffUpload(const RunSoFar& soFar);

}  // namespace app::fleet
