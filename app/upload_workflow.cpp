#include "app/upload_workflow.h"

#include <algorithm>
#include <string>

#include "app/device_interface.h"
#include "app/errors.h"
#include "app/firmware_image.h"
#include "app/text_to_int.h"
#include "app/workflow_host.h"
#include "http/http_client.h"
#include "json/parser.h"

namespace app {
namespace {

std::u16string cleanVersionText(std::u16string_view versionText) {
  std::u16string cleaned(versionText);
  std::erase(cleaned, u'v');
  std::erase(cleaned, u'.');
  return cleaned;
}

bool isUnattended(const WorkflowHost& host) { return !host.unattendedAddress().empty(); }

}  // namespace

int versionNumberOf(std::u16string_view versionText) {
  std::u16string cleaned = cleanVersionText(versionText);
  if (cleaned.empty()) cleaned = u"0";
  return textToInt(cleaned);
}

void runUpload(WorkflowHost& host, DeviceInterface& device) {
  const std::u16string stateText = device.fetchText(stateUrl(host.addressText()));
  // A text that is not even lenient JSON gives no document and so no version, like a
  // document without one.
  const json::JsonRef document = json::parseDocument(stateText);
  const std::u16string versionText =
      document.isEmpty() ? std::u16string() : document.getPathString(u"globals.ZEDEZVer");

  // The end of an unattended run is asked for already here when the device names no version;
  // it takes effect once control is back in the message loop, after the upload.
  if (cleanVersionText(versionText).empty() && isUnattended(host)) host.requestEndOfRun();
  const int version = versionNumberOf(versionText);

  if (version > kCurrentVersionThreshold &&
      host.confirm(std::u16string(kAlreadyCurrentQuestion)) == DialogResult::Cancel) {
    host.setStatusText(std::u16string(kAlreadyCurrentStatus));
    if (isUnattended(host)) host.requestEndOfRun();
    throw SilentAbortError();
  }

  const auto image = buildFirmwareImage();
  http::HttpClient client;
  client.setConnectTimeout(kUploadConnectTimeout);
  client.setReadTimeout(kUploadReadTimeout);
  client.setReplyBodyLimit(kReplyBodyLimit);

  std::u16string status;
  try {
    host.setStatusText(std::u16string(kUploadingStatus));
    host.processPendingEvents();
    client.post(firmwareUrl(host.addressText()), *image);
    status = kUploadSucceededStatus;
  } catch (const std::exception&) {
    // Not only the library's errors: whatever ends the upload, the run must end too.
    status = kUploadFailedStatus;
  }
  host.setStatusText(status);
  if (isUnattended(host)) host.requestEndOfRun();
}

}  // namespace app
