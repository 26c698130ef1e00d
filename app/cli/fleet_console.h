#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "app/cli/console.h"
#include "app/cli/progress_area.h"
#include "app/core/device_run.h"
#include "app/core/fleet/fleet_observer.h"
#include "app/core/fleet/fleet_run.h"

namespace app::cli {

// How a run over many devices looks on the program's standard streams.
struct FleetConsoleOptions {
  bool json = false;
  // Lines name their device (a list); a single address keeps the plain status line.
  bool nameDevices = true;
  // The answer policy; the question it gets names its device.
  Questioner answer;
  // Where each outcome is also appended as a record line; empty: nowhere.
  std::string recordFile;
  // The upload's progress on the terminal (one device, plain lines).
  bool showProgress = false;
  // Every step with its time on standard error.
  bool verbose = false;
};

// Prints a run over many devices: each device's line (or JSON object) on standard output as
// it ends, causes and restart waits on standard error; and records each outcome.
class FleetConsole final : public fleet::FleetObserver {
 public:
  FleetConsole(Console& console, FleetConsoleOptions options);

  void deviceStarted(const DeviceAddress& address) override;
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) override;
  DialogResult question(const DeviceAddress& address, const std::u16string& text) override;
  void restartWaitStarted(const DeviceAddress& address, int seconds) override;
  void step(const DeviceAddress& address, const RunStep& step) override;
  void outcome(const DeviceOutcome& outcome) override;
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override;

  // The devices of a list that never started: their objects and records.
  void notStarted(const DeviceAddress& address);

  // A signal ends the program now: every device still under way gets its line (or object)
  // and record as interrupted, saying how much of the image it had been sent, and standard
  // error names the devices whose uploads are cut off.
  void cutOff(int signal);

  // Show the registers under way in this area instead of a line for each wait.
  void showIn(ProgressArea* area) { area_ = area; }

  // A record line could not be written.
  [[nodiscard]] bool recordFailed() const { return recordFailed_; }

 private:
  [[nodiscard]] std::u16string named(const DeviceAddress& address,
                                     const std::u16string& line) const;
  void record(const std::string& line);
  // A wait on the terminal: in place for one device, a line of its own in a list.
  void tellWait(const DeviceAddress& address, const std::u16string& text);
  void verboseLine(const DeviceAddress& address, const std::u16string& text);

  // A device under way: when it started, and how much of the image it was sent.
  struct Running {
    std::chrono::steady_clock::time_point start;
    std::int64_t sent = 0;
    std::int64_t total = 0;
    // The upload was answered and the restart wait is under way; its status line is out.
    bool restarting = false;
    // The last quarter of the image that --verbose told.
    std::int64_t quarterTold = -1;
  };

  Console& console_;
  FleetConsoleOptions options_;
  ProgressArea* area_ = nullptr;
  std::atomic<bool> recordFailed_{false};
  std::mutex runningMutex_;
  std::map<DeviceAddress, Running> running_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// "5 devices: 3 uploaded, 1 failed, 1 declined" and what else happened, then a line for each
// kind of device that needs a look: the failed, the unverified and the not started, by name.
std::vector<std::u16string> summaryLines(const fleet::FleetTally& tally);

// Writes one record line, or says on standard error why it could not; false then.
bool recordOutcome(const std::string& file, const std::string& line, Console& console);

}  // namespace app::cli
