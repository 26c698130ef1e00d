#include "app/fleet/state_probe.h"

#include "app/device_interface.h"
#include "app/errors.h"
#include "app/upload_workflow.h"
#include "http/http_client.h"
#include "http/transport/stream.h"
#include "http/transport/utf.h"
#include "json/parser.h"

namespace app::fleet {

std::optional<StateReading> probeState(const std::string& address, int connectTimeoutMs,
                                       int readTimeoutMs) {
  http::MemoryStream body;
  try {
    http::HttpClient client;
    client.setConnectTimeout(connectTimeoutMs);
    client.setReadTimeout(readTimeoutMs);
    client.request().customHeaders.clear();
    client.get(stateUrl(http::fromUtf8(address)), body);
  } catch (const http::Error&) {
    return std::nullopt;
  }
  const json::JsonRef document = json::parseDocument(http::fromUtf8(body.view()));
  if (document.isEmpty() || document.getPathValue(u"globals").isEmpty()) return std::nullopt;
  StateReading reading{document.getPathString(u"globals.ZEDEZVer"), std::nullopt};
  try {
    reading.version = versionNumberOf(reading.versionText);
  } catch (const ConversionError&) {
  }
  return reading;
}

}  // namespace app::fleet
