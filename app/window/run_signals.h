#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "app/core/device_address.h"
#include "app/core/device_run.h"
#include "app/core/record_sink.h"
#include "app/core/run_observer.h"
#include "app/window/register_model.h"

namespace app {

// Hears a run on its worker threads and tells the window by signals, which reach it queued
// on its own thread, so that no worker waits for the window. The row texts are made here, on
// the worker's thread, with the register's text cut and escaped: the window's thread does no
// work that grows with what a register sends. The question about a current register is
// answered OK: selecting it was the answer, and the window said so before the run. It is also
// the run's record sink: each line the engine writes goes on to the record file, if any, and
// to the window with the register's row.
class RunSignals final : public QObject, public RunObserver, public Questioner, public RecordSink {
  Q_OBJECT

 public:
  // recordFile: not empty, each line of the record is appended there.
  RunSignals(const std::string& recordFile, QObject* parent);

  void deviceStarted(const DeviceAddress& address) override;
  void phase(const DeviceAddress& address, const PhaseChange& change) override;
  void outcome(const DeviceOutcome& outcome) override;
  void notStarted(const DeviceAddress& address) override;
  void recordFailed(const std::u16string& message) override;
  Answer ask(const DeviceAddress& address, const Question& question) override;
  void append(const std::string& line) override;

  // The lines of the registers a stopped run never started, since the last call.
  QList<QByteArray> takeNotStartedLines();

  // The row of an outcome; public for the window's tests.
  static RowOutcome rowOutcomeOf(const DeviceOutcome& outcome);

 signals:
  void rowProgress(const QString& address, app::RowResult result, const QString& text);
  // With the register's line of the record.
  void rowDone(const app::RowOutcome& outcome, const QByteArray& recordLine);
  void recordNotWritten(const QString& message);

 private:
  std::optional<RecordFile> recordFile_;
  std::mutex mutex_;
  QList<QByteArray> notStartedLines_;
};

}  // namespace app

Q_DECLARE_METATYPE(app::RowResult)
Q_DECLARE_METATYPE(app::RowOutcome)
