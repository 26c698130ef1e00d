#include "app/window/run_signals.h"

#include <chrono>
#include <exception>

#include "app/core/handler_boundary.h"
#include "app/core/run_record.h"
#include "app/window/device_text.h"
#include "app/window/row_texts.h"

namespace app {
namespace {

// A cause in a tooltip: more than a cell, still bounded.
constexpr std::size_t kMostDetailsShown = 1000;

QString addressText(const DeviceAddress& address) { return QString::fromStdU16String(address); }

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

RunSignals::RunSignals(std::string recordFile, QObject* parent)
    : QObject(parent), recordFile_(std::move(recordFile)) {
  qRegisterMetaType<app::RowResult>();
  qRegisterMetaType<app::RowOutcome>();
}

void RunSignals::deviceStarted(const DeviceAddress& address) {
  emit rowProgress(addressText(address), RowResult::Running, RowTexts::reading());
}

void RunSignals::progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) {
  emit rowProgress(addressText(address), RowResult::Running, RowTexts::sending(sent, total));
}

DialogResult RunSignals::question(const DeviceAddress& /*address*/,
                                  const std::u16string& /*text*/) {
  return DialogResult::Ok;
}

void RunSignals::restartWaitStarted(const DeviceAddress& address, int /*seconds*/) {
  emit rowProgress(addressText(address), RowResult::Running, RowTexts::waitingForRestart());
}

void RunSignals::outcome(const DeviceOutcome& outcome) {
  const std::string line = recordLine(outcome, std::chrono::system_clock::now());
  if (!recordFile_.empty()) {
    try {
      appendRecordLine(recordFile_, line);
    } catch (const std::exception& error) {
      emit recordFailed(QString::fromStdU16String(errorMessageOf(error)));
    }
  }
  emit rowDone(rowOutcomeOf(outcome), QByteArray::fromStdString(line));
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
