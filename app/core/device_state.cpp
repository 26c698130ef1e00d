#include "app/core/device_state.h"

#include <algorithm>
#include <string>

#include "app/core/device_interface.h"
#include "app/core/errors.h"
#include "app/core/text_to_int.h"
#include "app/core/version_verdict.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

json::JsonRef stateDocument(std::u16string_view stateText) {
  return json::parseDocument(withoutByteOrderMark(stateText), kDeviceDocumentLimits);
}

// A reply that is not even lenient JSON fails the state query: why, and at which byte of the
// body as it came (with the byte-order mark that was dropped before parsing).
FailureCause notJsonCause(const json::ParseResult& parsed, bool hadMark) {
  const std::string where = " at byte " + std::to_string(parsed.offset + (hadMark ? 3 : 0));
  const std::string reason =
      parsed.error == json::ParseError::ValueLimit
          ? "the state document holds more values than a register's"
          : "the state document is no JSON: " + std::string(json::parseErrorText(parsed.error));
  return {"ParseError", text::utf8ToUtf16(reason + where), {}};
}

std::u16string versionTextIn(const json::JsonRef& document) {
  // A text that is not even lenient JSON gives no document and so no version, like a
  // document without one.
  return document.isEmpty() ? std::u16string() : document.getPathString(u"globals.ZEDEZVer");
}

}  // namespace

StateReading readDeviceState(DeviceInterface& device, const DeviceAddress& address) {
  const std::u16string text = device.fetchText(stateUrl(address));
  StateReading reading;
  reading.failure = device.lastFailure();
  const std::u16string_view body = withoutByteOrderMark(text);
  const json::ParseResult parsed = json::parseDocumentWithError(body, kDeviceDocumentLimits);
  const json::JsonRef& document = parsed.value;
  if (!document && !reading.failure) {
    reading.failure = notJsonCause(parsed, body.size() != text.size());
  }
  {
    // A register may name a version of a mebibyte; only a short part of it is kept.
    const std::u16string version = versionTextIn(document);
    reading.versionLength = version.size();
    reading.versionText = keptVersionText(version);
  }
  reading.answered =
      !reading.failure && !document.isEmpty() && !document.getPathValue(u"globals").isEmpty();
  try {
    reading.version = versionNumberOf(reading.versionText);
  } catch (const ConversionError&) {
  }
  return reading;
}

std::u16string versionTextOf(std::u16string_view stateText) {
  return versionTextIn(stateDocument(stateText));
}

int versionNumberOf(std::u16string_view versionText) {
  std::u16string cleaned(versionText);
  std::erase(cleaned, u'v');
  std::erase(cleaned, u'.');
  return textToInt(cleaned.empty() ? std::u16string_view(u"0") : std::u16string_view(cleaned));
}

}  // namespace app
