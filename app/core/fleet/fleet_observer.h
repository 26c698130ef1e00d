#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/restart_wait.h"
#include "app/core/run_step.h"
#include "app/core/workflow_host.h"

namespace app::fleet {

// What a front end learns of a run over many devices. The calls come from the run's worker
// threads, several at once: an observer locks inside what it shares.
class FleetObserver {
 public:
  FleetObserver() = default;
  FleetObserver(const FleetObserver&) = delete;
  FleetObserver& operator=(const FleetObserver&) = delete;
  virtual ~FleetObserver() = default;

  virtual void deviceStarted(const DeviceAddress& address) = 0;
  // Image bytes handed to the connection so far, of the total.
  virtual void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) = 0;
  // The question about a current device; only this device waits for the answer.
  virtual DialogResult question(const DeviceAddress& address, const std::u16string& text) = 0;
  // The upload was answered; the wait for the device to come back begins, at most seconds.
  virtual void restartWaitStarted(const DeviceAddress& address, int seconds) = 0;
  // A step of a device's state query or upload, as it happens.
  virtual void step(const DeviceAddress& address, const RunStep& step) = 0;
  // A device is done, with its restart wait when one was asked for.
  virtual void outcome(const DeviceOutcome& outcome) = 0;
  // A cause of a failure, one line.
  virtual void diagnostic(const DeviceAddress& address, const std::u16string& line) = 0;
};

}  // namespace app::fleet
