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
#include "http/transport/io_handler.h"

namespace app {
namespace {

std::u16string cleanVersionText(std::u16string_view versionText) {
  std::u16string cleaned(versionText);
  std::erase(cleaned, u'v');
  std::erase(cleaned, u'.');
  return cleaned;
}

bool isUnattended(const WorkflowHost& host) { return !host.unattendedAddress().empty(); }

// Counts the image's bytes as the connection sends them; the header lines go out before the
// body's write begins and are not counted.
void reportSentBytes(http::HttpClient& client, UploadReport& report) {
  client.onConnected = [&client, &report] {
    http::WorkProgressHandlers& progress = client.ioHandler()->workProgress();
    auto total = std::make_shared<std::int64_t>(-1);
    progress.begin = [total](http::WorkMode mode, std::int64_t size) {
      if (mode == http::WorkMode::Write) *total = size;
    };
    progress.work = [total, &report](http::WorkMode mode, std::int64_t count) {
      if (mode != http::WorkMode::Write || *total < 0) return;
      report.bytesSent += count;
      if (report.onProgress) report.onProgress(report.bytesSent, *total);
    };
    progress.end = [total](http::WorkMode mode) {
      if (mode == http::WorkMode::Write) *total = -1;
    };
  };
}

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
  const auto client = makeDeviceClient(kUploadLimits);
  reportSentBytes(*client, report);

  std::u16string status;
  try {
    host.setStatusText(std::u16string(kUploadingStatus));
    host.processPendingEvents();
    client->post(firmwareUrl(host.addressText()), *image);
    status = kUploadSucceededStatus;
    report.uploaded = true;
  } catch (const std::exception& error) {
    // Not only the library's errors: whatever ends the upload, the run must end too.
    status = kUploadFailedStatus;
    report.failure = causeOf(error);
  }
  host.setStatusText(status);
  if (isUnattended(host)) host.requestEndOfRun();
}

}  // namespace

void runUpload(WorkflowHost& host, DeviceInterface& device, UploadReport* report) {
  UploadReport scratch;
  UploadReport& filled = report != nullptr ? *report : scratch;
  auto onProgress = std::move(filled.onProgress);
  filled = UploadReport{};
  filled.onProgress = std::move(onProgress);
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
