#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/run_observer.h"

namespace app {

// What the window hears of a run, on its own thread.
struct RunEvents {
  std::function<void(const DeviceAddress& address)> started;
  std::function<void(const DeviceAddress& address, std::int64_t sent, std::int64_t total)> progress;
  std::function<void(const DeviceAddress& address)> restartWait;
  std::function<void(const DeviceOutcome& outcome)> outcome;
  // The record file could not take a line.
  std::function<void(const QString& message)> recordFailed;
};

// Hears the run on its worker threads and passes each call on to the window's thread, queued,
// so that no worker waits for the window. The question about a current register is answered
// OK without waiting: the person selected the register for the update, and the window said so
// before the run. The outcome carries the causes; the window shows them there.
class RunRelay final : public RunObserver, public Questioner {
 public:
  // context: the window; it must outlive the run.
  RunRelay(QObject* context, RunEvents events);

  void deviceStarted(const DeviceAddress& address) override;
  void phase(const DeviceAddress& address, const PhaseChange& change) override;
  void outcome(const DeviceOutcome& outcome) override;
  void recordFailed(const std::u16string& message) override;
  Answer ask(const DeviceAddress& address, const Question& question) override;

 private:
  void post(std::function<void()> call);

  QObject* context_;
  // Shared with the calls still queued when the run is over.
  std::shared_ptr<const RunEvents> events_;
};

}  // namespace app
