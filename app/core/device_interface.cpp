#include "app/core/device_interface.h"

#include "http/charset/charset_encoding.h"
#include "http/http_client.h"
#include "http/http_errors.h"
#include "http/stream.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::u16string stateUrl(std::u16string_view address) {
  return u"http://" + std::u16string(address) + u"/api/state";
}

std::u16string settingsUrl(std::u16string_view address) {
  return u"http://" + std::u16string(address) + u"/api/settings";
}

std::u16string requestTarget(const std::u16string& address, RequestKind request) {
  return address + u":" +
         std::u16string(request == RequestKind::StateQuery ? kStatePort : kFirmwarePort);
}

std::u16string firmwareUrl(std::u16string_view address) {
  return u"http://" + std::u16string(address) + u":" + std::u16string(kFirmwarePort) +
         u"/firmware?token=" + std::u16string(kUploadToken);
}

std::u16string decodeSettingsBody(std::string_view bytes) {
  if (bytes.starts_with(kUtf8ByteOrderMark)) bytes.remove_prefix(kUtf8ByteOrderMark.size());
  if (text::isValidUtf8(bytes)) return text::utf8ToUtf16(bytes);
  return http::defaultAnsiEncoding()->decode(bytes);
}

std::u16string_view withoutByteOrderMark(std::u16string_view text) {
  for (const std::u16string_view mark : {u"\uFEFF", u"\u00EF\u00BB\u00BF"}) {
    if (text.starts_with(mark)) return text.substr(mark.size());
  }
  return text;
}

DeviceInterface::DeviceInterface(const ClientLimits& limits) : limits_(limits) {}
DeviceInterface::~DeviceInterface() = default;

void DeviceInterface::setStepLog(StepLog log, std::u16string target) {
  stepLog_ = std::move(log);
  target_ = std::move(target);
}

std::u16string DeviceInterface::fetchText(std::u16string_view url) {
  std::u16string result;
  lastFailure_.reset();
  // The old client goes before the new one is made, so only one is ever held.
  stateClient_.reset();
  stateClient_ = makeDeviceClient(limits_);
  stateClient_->request().customHeaders.clear();

  const auto step = [this](StepKind kind, std::u16string text, std::int64_t bytes = 0) {
    if (!stepLog_) return;
    RunStep step;
    step.kind = kind;
    step.target = target_;
    step.text = std::move(text);
    step.seconds = limits_.deadline / 1000;
    step.bytes = bytes;
    stepLog_(step);
  };
  if (stepLog_) stateClient_->onConnected = [step] { step(StepKind::Connected, {}); };
  step(StepKind::Request, u"GET /api/state");

  http::MemoryStream body;
  try {
    stateClient_->get(url, body);
    result = text::utf8ToUtf16(body.view());
    step(StepKind::Reply, stateClient_->response().responseText(),
         static_cast<std::int64_t>(body.view().size()));
  } catch (const http::HttpProtocolError& error) {
    result = error.errorMessage();
    lastFailure_ = causeOf(error);
    step(StepKind::Reply, withoutLineBreaks(error.message()),
         static_cast<std::int64_t>(error.errorMessage().size()));
  } catch (const std::exception& error) {
    result = u"timeout";
    lastFailure_ = causeOf(error);
    step(StepKind::Failed, reasonOf(*lastFailure_));
  }
  return result;
}

}  // namespace app
