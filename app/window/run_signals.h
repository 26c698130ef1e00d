#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/fleet/fleet_observer.h"
#include "app/window/register_model.h"

namespace app {

// Hears a run on its worker threads and tells the window by signals, which reach it queued
// on its own thread, so that no worker waits for the window. The row texts are made here, on
// the worker's thread, with the register's text cut and escaped: the window's thread does no
// work that grows with what a register sends. The question about a current register is
// answered OK: selecting it was the answer, and the window said so before the run.
class RunSignals final : public QObject, public fleet::FleetObserver {
  Q_OBJECT

 public:
  // recordFile: not empty, each outcome's line of the record is appended there.
  RunSignals(std::string recordFile, QObject* parent);

  void deviceStarted(const DeviceAddress& address) override;
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) override;
  DialogResult question(const DeviceAddress& address, const std::u16string& text) override;
  void restartWaitStarted(const DeviceAddress& address, int seconds) override;
  void step(const DeviceAddress& /*address*/, const RunStep& /*step*/) override {}
  void outcome(const DeviceOutcome& outcome) override;
  // The outcome carries the causes; the row shows them there.
  void diagnostic(const DeviceAddress& /*address*/, const std::u16string& /*line*/) override {}

  // The row of an outcome; public for the window's tests.
  static RowOutcome rowOutcomeOf(const DeviceOutcome& outcome);

 signals:
  void rowProgress(const QString& address, app::RowResult result, const QString& text);
  // With the register's line of the record.
  void rowDone(const app::RowOutcome& outcome, const QByteArray& recordLine);
  void recordFailed(const QString& message);

 private:
  const std::string recordFile_;
};

}  // namespace app

Q_DECLARE_METATYPE(app::RowResult)
Q_DECLARE_METATYPE(app::RowOutcome)
