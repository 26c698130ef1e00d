#include "app/core/device_run.h"

#include <chrono>
#include <string>

#include "app/core/core_text.h"
#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/errors.h"
#include "app/core/handler_boundary.h"
#include "app/core/image_identity.h"
#include "app/core/unattended_host.h"
#include "app/core/upload_workflow.h"

namespace app {
namespace {

void tell(const DeviceRunOptions& options, const std::u16string& line) {
  if (options.onDiagnostic) options.onDiagnostic(line);
}

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
void verify(const DeviceRunOptions& options, DeviceOutcome& outcome) {
  if (options.onRestartWait) options.onRestartWait(*options.waitRestartSeconds);
  outcome.restart = waitForRestart(outcome.address, outcome.versionText,
                                   *options.waitRestartSeconds, options.stop);
  if (!outcome.restart->stateAfter) {
    outcome.verification = Verification::NotBack;
    return;
  }
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

void check(const DeviceAddress& address, const DeviceRunOptions& options, DeviceOutcome& outcome) {
  DeviceInterface device;
  device.setStepLog(options.onStep, requestTarget(address, RequestKind::StateQuery));
  const StateReading state = readDeviceState(device, address);
  outcome.stateError = state.failure;
  if (outcome.stateError) {
    // Nothing was read, so there is nothing to report as checked.
    outcome.error = outcome.stateError;
    const std::u16string cause =
        requestCauseLine(address, RequestKind::StateQuery, *outcome.stateError);
    outcome.status = translated(QT_TRANSLATE_NOOP("zedez", "check failed: %1"), {cause});
    tell(options, cause);
    return;
  }
  outcome.versionText = state.versionText;
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

void upload(const DeviceAddress& address, const DeviceRunOptions& options, DeviceOutcome& outcome) {
  UploadReport report;
  // The question names both versions, so that the one who answers knows what is at stake.
  UnattendedHost host(address, [&options, &report](const DeviceAddress& device,
                                                   const std::u16string& question) {
    if (report.downgradeAsked && !options.askDowngrade) {
      tell(options, translated(QT_TRANSLATE_NOOP("zedez",
                                                 "%1 has %2, newer than this image's %3: an older "
                                                 "version is installed only with --allow-older"),
                               {device, report.versionText, imageIdentity().version}));
      return DialogResult::Cancel;
    }
    if (!options.answer) return DialogResult::Cancel;
    return options.answer(
        device, question + translated(QT_TRANSLATE_NOOP("zedez", " (installed %1, this image %2)"),
                                      {report.versionText, imageIdentity().version}));
  });
  DeviceInterface device;
  device.setStepLog(options.onStep, requestTarget(address, RequestKind::StateQuery));
  report.onProgress = options.onProgress;
  report.onStep = options.onStep;
  report.dottedRule = true;
  report.allowOlder = options.allowOlder;
  report.stop = options.stop;
  try {
    runUpload(host, device, &report);
  } catch (const SilentAbortError&) {
    // Declined: the status says so.
  } catch (const std::exception&) {
    // The default error box: without a window its text goes out with the causes, and the
    // run ends here.
  }
  outcome = outcomeOfUpload(address, report, host.status());
  tellCauses(outcome, [&options](const std::u16string& line) {
    if (options.onDiagnostic) options.onDiagnostic(line);
  });
  outcome.restartWaitAsked = options.waitRestartSeconds.has_value();
  if (outcome.restartWaitAsked && outcome.result == RunResult::Uploaded) verify(options, outcome);
}

}  // namespace

DeviceOutcome runDevice(const DeviceAddress& address, const DeviceRunOptions& options) {
  const auto start = std::chrono::steady_clock::now();
  DeviceOutcome outcome;
  outcome.address = address;
  if (options.mode == RunMode::Check) {
    check(address, options, outcome);
  } else {
    upload(address, options, outcome);
  }
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

DeviceOutcome outcomeOfUpload(const DeviceAddress& address, const UploadReport& report,
                              const std::u16string& status) {
  DeviceOutcome outcome;
  outcome.address = address;
  outcome.versionText = report.versionText;
  outcome.version = report.version;
  outcome.asked = report.asked;
  outcome.status = status;
  outcome.stateError = report.stateFailure;
  outcome.error = report.failure;
  outcome.errorBox = report.unhandled;
  outcome.bytesSent = report.bytesSent;
  outcome.verdict = verdictAfterQuery(outcome);
  if (report.uploaded) {
    outcome.result = RunResult::Uploaded;
  } else if (report.declined) {
    outcome.result = RunResult::Declined;
  } else {
    outcome.result = RunResult::Failed;
  }
  return outcome;
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
      return 2;
    case RunResult::Failed:
    case RunResult::Interrupted:
      break;
  }
  return 1;
}

}  // namespace app
