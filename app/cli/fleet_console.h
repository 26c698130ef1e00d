#pragma once

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "app/cli/answer_policy.h"
#include "app/cli/console.h"
#include "app/cli/progress_area.h"
#include "app/core/device_run.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/run_observer.h"

namespace app::cli {

// How a run over many devices looks on the program's standard streams.
struct FleetConsoleOptions {
  bool json = false;
  // Lines name their device (a list); a single address keeps the plain status line.
  bool nameDevices = true;
  // The answer policy; the question it gets names its device.
  AnswerPolicy answer;
  // The upload's progress on the terminal (one device, plain lines).
  bool showProgress = false;
  // Every step with its time on standard error.
  bool verbose = false;
};

// Prints a run over many devices: each device's line (or JSON object) on standard output as
// it ends, causes and restart waits on standard error; and asks the question.
class FleetConsole final : public RunObserver, public Questioner {
 public:
  FleetConsole(Console& console, FleetConsoleOptions options);

  void deviceStarted(const DeviceAddress& address) override;
  void phase(const DeviceAddress& address, const PhaseChange& change) override;
  void step(const DeviceAddress& address, const RunStep& step) override;
  void outcome(const DeviceOutcome& outcome) override;
  void notStarted(const DeviceAddress& address) override;
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override;
  void recordFailed(const std::u16string& message) override;
  Answer ask(const DeviceAddress& address, const Question& question) override;

  // Standard error names the devices whose uploads a signal cut off.
  void tellCutOff(const std::vector<DeviceAddress>& devices);

  // Show the registers under way in this area instead of a line for each wait.
  void showIn(ProgressArea* area) { area_ = area; }

 private:
  [[nodiscard]] std::u16string named(const DeviceAddress& address,
                                     const std::u16string& line) const;
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total);
  void restartWaitStarted(const DeviceAddress& address, int seconds);
  void sentQuarter(const DeviceAddress& address, const PhaseChange& change);
  // A wait on the terminal: in place for one device, a line of its own in a list.
  void tellWait(const DeviceAddress& address, const std::u16string& text);
  void verboseLine(const DeviceAddress& address, const std::u16string& text);

  // A device under way.
  struct Running {
    // The upload was answered and the restart wait is under way; its status line is out.
    bool restarting = false;
    // The last quarter of the image that --verbose told.
    std::int64_t quarterTold = -1;
  };

  Console& console_;
  FleetConsoleOptions options_;
  ProgressArea* area_ = nullptr;
  std::mutex runningMutex_;
  std::map<DeviceAddress, Running> running_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// "5 devices: 3 uploaded, 1 failed, 1 declined" and what else happened, then a line for each
// kind of device that needs a look: the failed, the unverified and the not started, by name.
std::vector<std::u16string> summaryLines(const fleet::FleetTally& tally);

// "zedez-updater: " and why a record line could not be written, on standard error.
void tellRecordFailed(Console& console, const std::u16string& message);

}  // namespace app::cli
