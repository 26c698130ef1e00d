#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/fleet/fleet_observer.h"

namespace app {

// What the window hears of a run, on its own thread.
struct RunEvents {
  std::function<void(const DeviceAddress& address)> started;
  std::function<void(const DeviceAddress& address, std::int64_t sent, std::int64_t total)> progress;
  std::function<void(const DeviceAddress& address)> restartWait;
  // With the device's line of the record.
  std::function<void(const DeviceOutcome& outcome, const std::string& recordLine)> outcome;
  // The record file could not take a line.
  std::function<void(const QString& message)> recordFailed;
};

// Hears the run on its worker threads and passes each call on to the window's thread, queued,
// so that no worker waits for the window. The question about a current register is answered
// OK without waiting: the person selected the register for the update, and the window said so
// before the run. With a record file, each outcome's line is appended there, from the worker.
class RunRelay final : public fleet::FleetObserver {
 public:
  // context: the window; it must outlive the run.
  RunRelay(QObject* context, RunEvents events, std::string recordFile);

  void deviceStarted(const DeviceAddress& address) override;
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) override;
  DialogResult question(const DeviceAddress& address, const std::u16string& text) override;
  void restartWaitStarted(const DeviceAddress& address, int seconds) override;
  // The rows show the run's phases from the calls above; the single steps are not shown.
  void step(const DeviceAddress& /*address*/, const RunStep& /*step*/) override {}
  void outcome(const DeviceOutcome& outcome) override;
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override;

 private:
  void post(std::function<void()> call);

  QObject* context_;
  // Shared with the calls still queued when the run is over.
  std::shared_ptr<const RunEvents> events_;
  const std::string recordFile_;
};

}  // namespace app
