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

std::u16string firmwareUrl(std::u16string_view address) {
  return u"http://" + std::u16string(address) + u":8080/firmware?token=" +
         std::u16string(kUploadToken);
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

std::u16string DeviceInterface::fetchText(std::u16string_view url) {
  std::u16string result;
  lastFailure_.reset();
  // The old client goes before the new one is made, so only one is ever held.
  stateClient_.reset();
  stateClient_ = makeDeviceClient(limits_);
  stateClient_->request().customHeaders.clear();

  http::MemoryStream body;
  try {
    stateClient_->get(url, body);
    result = text::utf8ToUtf16(body.view());
  } catch (const http::HttpProtocolError& error) {
    result = error.errorMessage();
    lastFailure_ = causeOf(error);
  } catch (const std::exception& error) {
    result = u"timeout";
    lastFailure_ = causeOf(error);
  }
  return result;
}

}  // namespace app
