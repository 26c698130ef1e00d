#include "app/core/timeout_workflow.h"

#include <cstdint>
#include <string>

#include "app/core/device_client.h"
#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/errors.h"
#include "app/core/text_to_int.h"
#include "http/http_client.h"
#include "http/stream.h"
#include "json/parser.h"

namespace app {
namespace {

HTTP_DECLARE_ERROR(MalformedSettingsError, Error);

constexpr std::int64_t kCurrencyScale = 10000;

std::u16string exchangeSettings(std::u16string_view address, std::u16string_view timeoutText,
                                http::HttpClient& client) {
  http::MemoryStream response;
  client.get(settingsUrl(address), response);
  const json::JsonRef document =
      json::parseDocument(decodeSettingsBody(response.view()), kDeviceDocumentLimits);
  if (document.isEmpty()) throw MalformedSettingsError(u"The settings are not a JSON document.");

  const std::int32_t timeout = textToInt(timeoutText);
  document.putPathCurrency(u"timeout", std::int64_t{timeout} * kCurrencyScale);

  http::MemoryStream body;
  body.write(document.asJsonUtf8(/*indent=*/false, /*escape=*/true));
  return client.post(settingsUrl(address), body);
}

}  // namespace

std::u16string setDeviceTimeout(std::u16string_view address, std::u16string_view timeoutText) {
  const auto client = makeDeviceClient(kSettingsLimits);
  try {
    return exchangeSettings(address, timeoutText, *client);
  } catch (const std::exception&) {
    return std::u16string(kSetTimeoutFailedStatus);
  }
}

}  // namespace app
