#include "app/window/row_texts.h"

#include <QLocale>

#include "app/core/image_identity.h"
#include "app/window/device_text.h"

namespace app {
namespace {

const FailureCause* causeOf(const DeviceOutcome& outcome) {
  if (outcome.error) return &*outcome.error;
  if (outcome.stateError) return &*outcome.stateError;
  return nullptr;
}

// The cause's message alone, on one line: the row is narrow; the details name the class too.
QString shortCause(const FailureCause& cause) {
  return deviceCellText(withoutLineBreaks(cause.message));
}

}  // namespace

QString RowTexts::queued() { return tr("Waiting to start"); }

QString RowTexts::reading() { return tr("Reading the version"); }

QString RowTexts::sending(std::int64_t sent, std::int64_t total) {
  if (total > 0 && sent >= total) return tr("Sent; waiting for the answer");
  const QLocale locale;
  const int percent = total > 0 ? static_cast<int>(sent * 100 / total) : 0;
  return tr("Sending: %1 of %2 bytes (%3 %)")
      .arg(locale.toString(static_cast<qlonglong>(sent)),
           locale.toString(static_cast<qlonglong>(total)), locale.toString(percent));
}

QString RowTexts::waitingForRestart() { return tr("Uploaded; waiting for the restart"); }

QString RowTexts::notStarted() { return tr("Not started: cancelled"); }

QString RowTexts::outcome(const DeviceOutcome& outcome, QString* details) {
  const FailureCause* failure = causeOf(outcome);
  const QString cause = failure != nullptr ? shortCause(*failure) : QString();
  if (details != nullptr && failure != nullptr) {
    *details = QString::fromStdU16String(oneLine(*failure));
    // What the register said besides, such as the first line of its error page.
    if (!failure->detail.empty()) {
      *details += QStringLiteral(": ") + QString::fromStdU16String(failure->detail);
    }
  }
  switch (outcome.result) {
    case RunResult::Uploaded:
      switch (outcome.verification) {
        case Verification::Verified:
          return tr("Updated and verified");
        case Verification::NotBack:
          return tr("Uploaded; not back within %1 s: unverified")
              .arg(outcome.restart ? outcome.restart->waitSeconds : 0);
        case Verification::WrongVersion:
        case Verification::NotAsked:
          break;
      }
      return tr("Uploaded");
    case RunResult::Declined:
      return tr("Not updated: the version is current");
    case RunResult::Checked:
      return tr("Checked");
    case RunResult::Failed:
    case RunResult::Interrupted:
      break;
  }
  if (outcome.verification == Verification::WrongVersion) {
    return tr("Failed: came back on %1, not %2")
        .arg(versionAfter(outcome), QString::fromStdU16String(imageIdentity().version));
  }
  return cause.isEmpty() ? tr("Failed") : tr("Failed: %1").arg(cause);
}

QString RowTexts::versionAfter(const DeviceOutcome& outcome) {
  if (!outcome.restart || !outcome.restart->stateAfter) return {};
  const std::u16string& text = outcome.restart->stateAfter->versionText;
  return text.empty() ? QStringLiteral("-")
                      : deviceCellText(text, outcome.restart->stateAfter->versionLength);
}

}  // namespace app
