#include "app/core/upload_workflow.h"

#include <algorithm>
#include <memory>
#include <string>

#include "app/core/core_text.h"
#include "app/core/device_client.h"
#include "app/core/device_interface.h"
#include "app/core/errors.h"
#include "app/core/firmware_image.h"
#include "app/core/image_identity.h"
#include "app/core/version_verdict.h"
#include "app/core/workflow_host.h"
#include "http/http_client.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

std::u16string cleanVersionText(std::u16string_view versionText) {
  std::u16string cleaned(versionText);
  std::erase(cleaned, u'v');
  std::erase(cleaned, u'.');
  return cleaned;
}

bool isUnattended(const WorkflowHost& host) { return !host.unattendedAddress().empty(); }

void upload(WorkflowHost& host, DeviceInterface& device, UploadReport& report) {
  const StateReading state = readDeviceState(device, host.addressText());
  report.stateFailure = state.failure;
  const std::u16string& versionText = state.versionText;
  report.versionText = versionText;

  // The end of an unattended run is asked for already here when the device names no version;
  // it takes effect once control is back in the message loop, after the upload.
  if (cleanVersionText(versionText).empty() && isUnattended(host)) host.requestEndOfRun();
  const std::u16string& imageVersion = imageIdentity().version;
  const VersionVerdict verdict = verdictOf(versionText, imageVersion);
  VersionQuestion asks = VersionQuestion::None;
  if (report.dottedRule) {
    try {
      report.version = versionNumberOf(versionText);
    } catch (const ConversionError&) {
    }
    asks = questionByDottedRule(verdict, versionText);
  } else {
    const int version = versionNumberOf(versionText);
    report.version = version;
    asks = questionInWindow(version, verdict);
  }

  if (asks == VersionQuestion::Unreadable) {
    // Nothing is sent to a register whose version cannot be told.
    const std::u16string status = translated(
        QT_TRANSLATE_NOOP("zedez", "the version cannot be read: \"%1\"; nothing was sent"),
        {versionText});
    report.failure = FailureCause{"UnreadableVersion", status, {}};
    host.setStatusText(status);
    if (isUnattended(host)) host.requestEndOfRun();
    return;
  }
  const bool downgrade = asks == VersionQuestion::Downgrade;
  if (asks != VersionQuestion::None && !(downgrade && report.allowOlder)) {
    report.asked = true;
    report.downgradeAsked = downgrade;
    // The window asks its own question about a newer register too; a run without it says
    // what is at stake.
    const std::u16string question =
        downgrade && report.dottedRule
            ? translated(QT_TRANSLATE_NOOP("zedez",
                                           "ZEDEZ %1 in the register is newer than this image's "
                                           "%2. Install the older version?"),
                         {versionText, imageVersion})
            : std::u16string(kAlreadyCurrentQuestion);
    const DialogResult answer = host.confirm(question);
    report.downgradeAsked = false;
    if (answer == DialogResult::Cancel) {
      report.declined = true;
      host.setStatusText(
          downgrade && report.dottedRule
              ? translated(QT_TRANSLATE_NOOP("zedez",
                                             "not installed: the register has %1, newer than "
                                             "this image's %2 (--allow-older installs it)"),
                           {versionText, imageVersion})
              : std::u16string(kAlreadyCurrentStatus));
      if (isUnattended(host)) host.requestEndOfRun();
      throw SilentAbortError();
    }
  }

  // A signal came before the upload began: nothing new starts.
  if (report.stop != nullptr && *report.stop) {
    const std::u16string status =
        translated(QT_TRANSLATE_NOOP("zedez", "interrupted before the image was sent"));
    report.failure = FailureCause{"Interrupted", status, {}};
    host.setStatusText(status);
    return;
  }

  const auto image = buildFirmwareImage();
  const ClientLimits limits = uploadLimits(image->size());
  const auto client = makeDeviceClient(limits);
  const std::u16string target = requestTarget(host.addressText(), RequestKind::Upload);
  const auto step = [&report, &target](StepKind kind, std::u16string text = {}, int seconds = 0,
                                       std::int64_t bytes = 0, std::int64_t total = 0) {
    if (!report.onStep) return;
    RunStep step;
    step.kind = kind;
    step.request = RequestKind::Upload;
    step.target = target;
    step.text = std::move(text);
    step.seconds = seconds;
    step.bytes = bytes;
    step.total = total;
    report.onStep(step);
  };
  // The header lines go out before the body and are not counted.
  client->setSendProgress([&report, &step, &limits](std::int64_t sent, std::int64_t total) {
    report.bytesSent = sent;
    if (report.onProgress) report.onProgress(sent, total);
    step(StepKind::Sent, {}, limits.readTimeout / 1000, sent, total);
  });
  if (report.onStep) client->onConnected = [&step] { step(StepKind::Connected); };

  std::u16string status;
  try {
    host.setStatusText(std::u16string(kUploadingStatus));
    host.processPendingEvents();
    step(StepKind::Request, u"POST /firmware", limits.deadline / 1000, 0,
         static_cast<std::int64_t>(image->size()));
    client->post(firmwareUrl(host.addressText()), *image);
    step(StepKind::Reply, client->response().responseText());
    const std::int32_t code = client->response().responseCode();
    if (code >= 200 && code <= 299) {
      status = kUploadSucceededStatus;
      report.uploaded = true;
    } else {
      // A 101 or another answer that is no success took the image but installed nothing.
      status = kUploadFailedStatus;
      report.failure =
          FailureCause{"HttpProtocolError",
                       text::utf8ToUtf16(std::to_string(code)) + u" is no final success: " +
                           client->response().responseText(),
                       {}};
      step(StepKind::Failed, reasonOf(*report.failure));
    }
  } catch (const std::exception& error) {
    // Not only the library's errors: whatever ends the upload, the run must end too.
    status = kUploadFailedStatus;
    report.failure = causeOf(error);
    step(StepKind::Failed, reasonOf(*report.failure));
  }
  host.setStatusText(status);
  if (isUnattended(host)) host.requestEndOfRun();
}

}  // namespace

void runUpload(WorkflowHost& host, DeviceInterface& device, UploadReport* report) {
  UploadReport scratch;
  UploadReport& filled = report != nullptr ? *report : scratch;
  auto onProgress = std::move(filled.onProgress);
  auto onStep = std::move(filled.onStep);
  const bool dottedRule = filled.dottedRule;
  const bool allowOlder = filled.allowOlder;
  const std::atomic<bool>* stop = filled.stop;
  filled = UploadReport{};
  filled.onProgress = std::move(onProgress);
  filled.onStep = std::move(onStep);
  filled.dottedRule = dottedRule;
  filled.allowOlder = allowOlder;
  filled.stop = stop;
  try {
    upload(host, device, filled);
  } catch (const SilentAbortError&) {
    throw;
  } catch (const std::exception& error) {
    filled.failure = causeOf(error);
    filled.unhandled = true;
    throw;
  }
}

}  // namespace app
