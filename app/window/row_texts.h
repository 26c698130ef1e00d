#pragma once

#include <QCoreApplication>
#include <QString>
#include <cstdint>

#include "app/core/device_run.h"

namespace app {

// What a register's row says as its update goes, and at its end.
class RowTexts {
  Q_DECLARE_TR_FUNCTIONS(RowTexts)

 public:
  static QString queued();
  static QString reading();
  // Bytes sent, then (all sent) the wait for the register's answer.
  static QString sending(std::int64_t sent, std::int64_t total);
  static QString waitingForRestart();
  static QString notStarted();
  // The result in a few words; details gets the cause in full, when there is one.
  static QString outcome(const DeviceOutcome& outcome, QString* details);
  // The version it came back with after the restart; empty when it did not come back.
  static QString versionAfter(const DeviceOutcome& outcome);
};

}  // namespace app
