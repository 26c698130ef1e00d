#include "app/window/run_signals.h"

#include <chrono>
#include <exception>
#include <utility>

#include "app/window/device_text.h"
#include "app/window/row_texts.h"

namespace app {
namespace {

// A cause in a tooltip: more than a cell, still bounded.
constexpr std::size_t kMostDetailsShown = 1000;

QString addressText(const DeviceAddress& address) { return QString::fromStdU16String(address); }

// The engine writes a register's line and then tells of it, on the same thread.
thread_local std::string lastLine;

RowResult rowResultOf(const DeviceOutcome& outcome) {
  switch (outcome.result) {
    case RunResult::Uploaded:
      return outcome.verification == Verification::NotBack ? RowResult::NotBack
                                                           : RowResult::Updated;
    case RunResult::Declined:
    case RunResult::Checked:
      return RowResult::NotUpdated;
    case RunResult::Failed:
    case RunResult::Interrupted:
      break;
  }
  return RowResult::Failed;
}

}  // namespace

RunSignals::RunSignals(const std::string& recordFile, QObject* parent) : QObject(parent) {
  qRegisterMetaType<app::RowResult>();
  qRegisterMetaType<app::RowOutcome>();
  if (!recordFile.empty()) recordFile_.emplace(recordFile);
}

void RunSignals::deviceStarted(const DeviceAddress& address) {
  emit rowProgress(addressText(address), RowResult::Running, RowTexts::reading());
}

void RunSignals::phase(const DeviceAddress& address, const PhaseChange& change) {
  if (change.phase == RunPhase::Sending) {
    emit rowProgress(addressText(address), RowResult::Running,
                     RowTexts::sending(change.sent, change.total));
  } else if (change.phase == RunPhase::Restarting) {
    emit rowProgress(addressText(address), RowResult::Running, RowTexts::waitingForRestart());
  }
}

Answer RunSignals::ask(const DeviceAddress& /*address*/, const Question& /*question*/) {
  return Answer::Yes;
}

void RunSignals::append(const std::string& line) {
  lastLine = line;
  if (recordFile_) recordFile_->append(line);
}

void RunSignals::recordFailed(const std::u16string& message) {
  emit recordNotWritten(QString::fromStdU16String(message));
}

void RunSignals::outcome(const DeviceOutcome& outcome) {
  emit rowDone(rowOutcomeOf(outcome), QByteArray::fromStdString(lastLine));
}

void RunSignals::notStarted(const DeviceAddress& /*address*/) {
  const std::scoped_lock lock(mutex_);
  notStartedLines_.append(QByteArray::fromStdString(lastLine));
}

QList<QByteArray> RunSignals::takeNotStartedLines() {
  const std::scoped_lock lock(mutex_);
  return std::exchange(notStartedLines_, {});
}

RowOutcome RunSignals::rowOutcomeOf(const DeviceOutcome& outcome) {
  RowOutcome row;
  row.address = outcome.address;
  row.result = rowResultOf(outcome);
  QString details;
  row.text = RowTexts::outcome(outcome, &details);
  row.details = deviceCellText(details.toStdU16String(), 0, kMostDetailsShown);
  if (outcome.restart && outcome.restart->stateAfter) {
    const std::u16string& after = outcome.restart->stateAfter->versionText;
    row.versionAfter = RowTexts::versionAfter(outcome);
    row.versionAfterForSorting = after.substr(0, kMostDeviceTextKept);
  }
  row.verified = outcome.verification == Verification::Verified;
  return row;
}

}  // namespace app
