#include "app/core/device_run.h"

#include <chrono>
#include <string>

#include "app/core/core_text.h"
#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/error_text.h"
#include "app/core/errors.h"
#include "app/core/image_identity.h"
#include "app/core/record_sink.h"
#include "app/core/run_record.h"
#include "app/core/upload_workflow.h"

namespace app {
namespace {

// What a check found, and what an upload would do.
std::u16string checkReport(const DeviceOutcome& outcome) {
  const std::u16string& installed = outcome.versionText;
  const std::u16string& image = imageIdentity().version;
  std::u16string report;
  switch (outcome.verdict) {
    case VersionVerdict::UpdateAvailable:
      report = translated(QT_TRANSLATE_NOOP("zedez", "update available, from %1 to %2"),
                          {installed, image});
      break;
    case VersionVerdict::OnImageVersion:
      report =
          translated(QT_TRANSLATE_NOOP("zedez", "already on %1, this image's version"), {image});
      break;
    case VersionVerdict::NewerThanImage:
      report = translated(
          QT_TRANSLATE_NOOP("zedez", "newer than this image: %1 installed, the image has %2"),
          {installed, image});
      break;
    case VersionVerdict::Unreadable:
      report = installed.empty()
                   ? translated(QT_TRANSLATE_NOOP(
                         "zedez", "the version cannot be read: the device names none"))
                   : translated(QT_TRANSLATE_NOOP("zedez", "the version cannot be read: \"%1\""),
                                {installed});
      break;
  }
  switch (questionByDottedRule(outcome.verdict, installed)) {
    case VersionQuestion::None:
      report += translated(QT_TRANSLATE_NOOP("zedez", "; an upload would go ahead without asking"));
      break;
    case VersionQuestion::AlreadyCurrent:
      report += translated(QT_TRANSLATE_NOOP("zedez", "; an upload would ask first"));
      break;
    case VersionQuestion::Downgrade:
      report += translated(
          QT_TRANSLATE_NOOP("zedez", "; an upload would install it only with --allow-older"));
      break;
    case VersionQuestion::Unreadable:
      report += translated(QT_TRANSLATE_NOOP("zedez", "; an upload would send nothing"));
      break;
  }
  return report;
}

// "state query to 127.0.0.80:80: connection refused (Socket Error # 10061)"
std::u16string requestCauseLine(const DeviceAddress& address, RequestKind request,
                                const FailureCause& cause) {
  const char* line = request == RequestKind::StateQuery
                         ? QT_TRANSLATE_NOOP("zedez", "state query to %1: %2")
                         : QT_TRANSLATE_NOOP("zedez", "upload to %1: %2");
  return translated(line, {requestTarget(address, request), reasonOf(cause)});
}

VersionVerdict verdictAfterQuery(const DeviceOutcome& outcome) {
  if (outcome.stateError) return VersionVerdict::Unreadable;
  return verdictOf(outcome.versionText, imageIdentity().version);
}

// Waits for the device to come back after its upload and compares its version with the
// image's; another version is a failure.
void verify(const DeviceRunOptions& options, RunObserver& observer, DeviceOutcome& outcome) {
  const int seconds = *options.waitRestartSeconds;
  if (options.beforeRestartWait) options.beforeRestartWait();
  observer.phase(outcome.address,
                 {RunPhase::Restarting, outcome.bytesSent, outcome.bytesSent, seconds});
  outcome.restart = waitForRestart(outcome.address, outcome.versionText, seconds, options.stop);
  if (!outcome.restart->stateAfter) {
    outcome.verification = Verification::NotBack;
    // A stop ended the wait, not the register's silence: "not back within 120 s" would be
    // untrue, and "OK." would hide that nobody saw it come back.
    if (options.stop != nullptr && *options.stop) {
      outcome.result = RunResult::Interrupted;
      outcome.status = translated(QT_TRANSLATE_NOOP("zedez",
                                                    "interrupted while waiting for the register "
                                                    "to come back: the update is unverified"));
      outcome.error = FailureCause{"Interrupted", outcome.status, {}};
    }
    return;
  }
  observer.phase(outcome.address, {RunPhase::Verifying, outcome.bytesSent, outcome.bytesSent, 0});
  const std::u16string& after = outcome.restart->stateAfter->versionText;
  const std::u16string& image = imageIdentity().version;
  if (compareVersions(after, image) == std::strong_ordering::equal) {
    outcome.verification = Verification::Verified;
    return;
  }
  outcome.verification = Verification::WrongVersion;
  outcome.result = RunResult::Failed;
  outcome.error =
      FailureCause{"VerificationError",
                   u"came back on " + (after.empty() ? std::u16string(u"no version") : after) +
                       u", not " + image,
                   {}};
}

std::u16string errorLine(const FailureCause& cause) {
  return u"error: " + oneLine({cause.className, errorBoxText(cause.message), {}});
}

// Tells the state query's steps to the observer.
void logStateSteps(DeviceInterface& device, const DeviceAddress& address, RunObserver& observer) {
  device.setStepLog([&observer, address](const RunStep& step) { observer.step(address, step); },
                    requestTarget(address, RequestKind::StateQuery));
}

void check(const DeviceAddress& address, DeviceInterface& device, RunObserver& observer,
           DeviceOutcome& outcome) {
  observer.phase(address, {RunPhase::ReadingState, 0, 0, kStateLimits.deadline / 1000});
  const StateReading state = readDeviceState(device, address);
  outcome.stateError = state.failure;
  if (outcome.stateError) {
    // Nothing was read, so there is nothing to report as checked.
    outcome.error = outcome.stateError;
    const std::u16string cause =
        requestCauseLine(address, RequestKind::StateQuery, *outcome.stateError);
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez", "check failed: %1"), {cause});
    observer.diagnostic(address, cause);
    return;
  }
  outcome.versionText = state.versionText;
  observer.stateRead(address, state.versionText);
  outcome.verdict = verdictAfterQuery(outcome);
  try {
    outcome.version = versionNumberOf(outcome.versionText);
  } catch (const ConversionError&) {
  }
  const VersionQuestion asks = questionByDottedRule(outcome.verdict, outcome.versionText);
  outcome.asked = asks != VersionQuestion::None;
  outcome.status = checkReport(outcome);
  if (asks == VersionQuestion::Unreadable) {
    // The register's own text, not the number it was meant to be.
    outcome.error = FailureCause{"UnreadableVersion", outcome.status, {}};
    return;
  }
  outcome.result = RunResult::Checked;
}

void upload(const DeviceAddress& address, const DeviceRunOptions& options, DeviceInterface& device,
            RunObserver& observer, Questioner& questioner, DeviceOutcome& outcome) {
  uploadFirmware(address, options, device, observer, questioner, outcome);
  outcome.verdict = verdictAfterQuery(outcome);
  tellCauses(outcome, [&observer, &address](const std::u16string& line) {
    observer.diagnostic(address, line);
  });
  outcome.restartWaitAsked = options.waitRestartSeconds.has_value();
  if (outcome.restartWaitAsked && outcome.result == RunResult::Uploaded) {
    verify(options, observer, outcome);
  }
}

}  // namespace

DeviceOutcome runDeviceUntold(const DeviceAddress& address, const DeviceRunOptions& options,
                              RunObserver& observer, Questioner& questioner) {
  const auto start = std::chrono::steady_clock::now();
  DeviceOutcome outcome;
  outcome.address = address;
  DeviceInterface ownDevice;
  DeviceInterface& device = options.stateDevice != nullptr ? *options.stateDevice : ownDevice;
  logStateSteps(device, address, observer);
  if (options.mode == RunMode::Check) {
    check(address, device, observer, outcome);
  } else {
    upload(address, options, device, observer, questioner, outcome);
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  observer.phase(address, {RunPhase::Done, outcome.bytesSent, outcome.bytesSent, 0});
  return outcome;
}

DeviceOutcome runDevice(const DeviceAddress& address, const DeviceRunOptions& options,
                        RunObserver& observer, Questioner& questioner) {
  DeviceOutcome outcome = runDeviceUntold(address, options, observer, questioner);
  writeRecordLine(options.record, recordLine(outcome, std::chrono::system_clock::now()), observer);
  observer.outcome(outcome);
  return outcome;
}

bool writeRecordLine(RecordSink* sink, const std::string& line, RunObserver& observer) {
  if (sink == nullptr) return true;
  try {
    sink->append(line);
    return true;
  } catch (const std::exception& error) {
    observer.recordFailed(errorMessageOf(error));
    return false;
  }
}

std::u16string questionWithVersions(const Question& question) {
  return question.text + translated(QT_TRANSLATE_NOOP("zedez", " (installed %1, this image %2)"),
                                    {question.installedVersion, question.imageVersion});
}

void tellCauses(const DeviceOutcome& outcome,
                const std::function<void(const std::u16string& line)>& tell) {
  if (outcome.stateError) {
    tell(requestCauseLine(outcome.address, RequestKind::StateQuery, *outcome.stateError));
  }
  if (!outcome.error) return;
  tell(outcome.errorBox ? errorLine(*outcome.error)
                        : requestCauseLine(outcome.address, RequestKind::Upload, *outcome.error));
}

std::u16string outcomeLine(const DeviceOutcome& outcome) {
  if (outcome.verification == Verification::WrongVersion && outcome.error) {
    return translated(QT_TRANSLATE_NOOP("zedez", "failed: %1"), {outcome.error->message});
  }
  return outcome.status;
}

const char* verificationName(Verification verification) {
  switch (verification) {
    case Verification::Verified:
      return "verified";
    case Verification::WrongVersion:
      return "wrong-version";
    case Verification::NotBack:
      return "not-back";
    case Verification::NotAsked:
      break;
  }
  return nullptr;
}

const char* resultName(RunResult result) {
  switch (result) {
    case RunResult::Uploaded:
      return "uploaded";
    case RunResult::Declined:
      return "declined";
    case RunResult::Checked:
      return "checked";
    case RunResult::Interrupted:
      return "interrupted";
    case RunResult::Failed:
      break;
  }
  return "failed";
}

int exitCodeOf(RunResult result) {
  switch (result) {
    case RunResult::Uploaded:
    case RunResult::Checked:
      return 0;
    case RunResult::Declined:
      return kExitDeclined;
    case RunResult::Failed:
    case RunResult::Interrupted:
      break;
  }
  return kExitFailed;
}

}  // namespace app
