#include "app/core/device_run.h"

#include <chrono>
#include <string>

#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/errors.h"
#include "app/core/handler_boundary.h"
#include "app/core/unattended_host.h"
#include "app/core/upload_workflow.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

void tell(const DeviceRunOptions& options, const std::u16string& line) {
  if (options.onDiagnostic) options.onDiagnostic(line);
}

std::u16string checkReport(const std::u16string& versionText, int version) {
  std::u16string report = versionText.empty() ? u"no version" : u"version " + versionText;
  report += u" (" + text::utf8ToUtf16(std::to_string(version));
  report += version > kCurrentVersionThreshold ? u"): current, an upload would ask first"
                                               : u"): an upload would not ask";
  return report;
}

std::u16string errorLine(const FailureCause& cause) {
  return u"error: " + oneLine({cause.className, errorBoxText(cause.message)});
}

void check(const DeviceAddress& address, const DeviceRunOptions& options, DeviceOutcome& outcome) {
  DeviceInterface device;
  const StateReading state = readDeviceState(device, address);
  outcome.stateError = state.failure;
  if (outcome.stateError) {
    // Nothing was read, so there is nothing to report as checked.
    outcome.error = outcome.stateError;
    tell(options, u"state query failed: " + oneLine(*outcome.stateError));
    return;
  }
  outcome.versionText = state.versionText;
  try {
    const int version = versionNumberOf(outcome.versionText);
    outcome.version = version;
    outcome.asked = version > kCurrentVersionThreshold;
    outcome.status = checkReport(outcome.versionText, version);
    outcome.result = RunResult::Checked;
  } catch (const ConversionError& error) {
    outcome.error = causeOf(error);
    tell(options, errorLine(*outcome.error));
  }
}

void upload(const DeviceAddress& address, const DeviceRunOptions& options, DeviceOutcome& outcome) {
  UnattendedHost host(address, options.answer);
  DeviceInterface device;
  UploadReport report;
  report.onProgress = options.onProgress;
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
  if (outcome.stateError) tell(u"state query failed: " + oneLine(*outcome.stateError));
  if (!outcome.error) return;
  tell(outcome.errorBox ? errorLine(*outcome.error) : u"upload failed: " + oneLine(*outcome.error));
}

const char* resultName(RunResult result) {
  switch (result) {
    case RunResult::Uploaded:
      return "uploaded";
    case RunResult::Declined:
      return "declined";
    case RunResult::Checked:
      return "checked";
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
      break;
  }
  return 1;
}

}  // namespace app
