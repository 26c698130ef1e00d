#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/cli/console.h"
#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/run_observer.h"

namespace app::cli {

// The area at the bottom of the terminal while a list runs, as apt has one: a line for each
// register under way with its phase and how long it has been in it, and beneath them the count
// of those done with the time spent and the time left. Redrawn on each change and once a
// second, so that a wait shows how long it has waited; gone when the run is.
class ProgressArea {
 public:
  ProgressArea(Console& console, std::size_t devices);
  ~ProgressArea();
  ProgressArea(const ProgressArea&) = delete;
  ProgressArea& operator=(const ProgressArea&) = delete;

  // Called from the run's worker threads.
  void deviceStarted(const DeviceAddress& address);
  void phase(const DeviceAddress& address, const PhaseChange& change);
  void outcome(const DeviceOutcome& outcome);
  void notStarted(const DeviceAddress& address);
  // Takes the area off the terminal for good (a signal ends the program).
  void stop();

  using Clock = std::chrono::steady_clock;

  // A register under way, as the area shows it.
  struct Running {
    PhaseChange change;
    Clock::time_point since;  // in this phase
  };
  // What the area counts.
  struct Counts {
    std::size_t devices = 0;
    std::size_t updated = 0;
    std::size_t failed = 0;
    std::size_t declined = 0;
    std::size_t other = 0;  // checked, not started
  };

  // The area's lines at `now`: at most `mostDevices` registers under way (the longest in
  // their phase first), then the count.
  static std::vector<std::u16string> lines(const std::map<DeviceAddress, Running>& running,
                                           const Counts& counts, Clock::time_point start,
                                           Clock::time_point now, std::size_t mostDevices);

 private:
  void redrawLocked();
  void tick();

  Console& console_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool ending_ = false;
  Counts counts_;
  std::map<DeviceAddress, Running> running_;
  Clock::time_point start_ = Clock::now();
  std::thread ticker_;
};

}  // namespace app::cli
