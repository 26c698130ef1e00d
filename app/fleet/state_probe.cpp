#include "app/fleet/state_probe.h"

#include "app/device_interface.h"
#include "app/errors.h"
#include "app/upload_workflow.h"
#include "http/http_client.h"
#include "http/stream.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

namespace app::fleet {

std::optional<StateReading> probeState(const std::string& address, int connectTimeoutMs,
                                       int readTimeoutMs) {
  http::MemoryStream body;
  try {
    http::HttpClient client;
    client.setConnectTimeout(connectTimeoutMs);
    client.setReadTimeout(readTimeoutMs);
    client.setReplyBodyLimit(kReplyBodyLimit);
    client.request().customHeaders.clear();
    client.get(stateUrl(text::utf8ToUtf16(address)), body);
  } catch (const std::exception&) {
    // Whatever went wrong, no register answered here.
    return std::nullopt;
  }
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(body.view()));
  if (document.isEmpty() || document.getPathValue(u"globals").isEmpty()) return std::nullopt;
  StateReading reading{document.getPathString(u"globals.ZEDEZVer"), std::nullopt};
  try {
    reading.version = versionNumberOf(reading.versionText);
  } catch (const ConversionError&) {
  }
  return reading;
}

}  // namespace app::fleet
