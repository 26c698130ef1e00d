#include "app/core/upload_workflow.h"

#include <algorithm>
#include <memory>
#include <string>

#include "app/core/device_client.h"
#include "app/core/device_interface.h"
#include "app/core/errors.h"
#include "app/core/firmware_image.h"
#include "app/core/workflow_host.h"
#include "http/http_client.h"

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
  const int version = versionNumberOf(versionText);
  report.version = version;

  if (version > kCurrentVersionThreshold) {
    report.asked = true;
    if (host.confirm(std::u16string(kAlreadyCurrentQuestion)) == DialogResult::Cancel) {
      report.declined = true;
      host.setStatusText(std::u16string(kAlreadyCurrentStatus));
      if (isUnattended(host)) host.requestEndOfRun();
      throw SilentAbortError();
    }
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
    status = kUploadSucceededStatus;
    report.uploaded = true;
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
  filled = UploadReport{};
  filled.onProgress = std::move(onProgress);
  filled.onStep = std::move(onStep);
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
