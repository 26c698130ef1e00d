#pragma once

#include <optional>
#include <string>

#include "app/cli/console.h"
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
};

// Prints a run over many devices: each device's line (or JSON object) on standard output as
// it ends, causes and restart waits on standard error.
class FleetConsole final : public fleet::FleetObserver {
 public:
  FleetConsole(Console& console, FleetConsoleOptions options);

  void deviceStarted(const DeviceAddress& address) override;
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) override;
  DialogResult question(const DeviceAddress& address, const std::u16string& text) override;
  void outcome(const fleet::FleetDeviceOutcome& outcome) override;
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override;

 private:
  [[nodiscard]] std::u16string named(const DeviceAddress& address,
                                     const std::u16string& line) const;

  Console& console_;
  FleetConsoleOptions options_;
};

// "5 devices: 3 uploaded, 1 failed, 1 declined" and what else happened.
std::u16string summaryLine(const fleet::FleetTally& tally);

}  // namespace app::cli
