#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/device_client.h"
#include "app/core/failure_cause.h"
#include "app/core/run_step.h"

namespace http {
class HttpClient;
}

namespace app {

// The firmware endpoint's access token.
inline constexpr std::u16string_view kUploadToken =
    u"A7C3E91F02B64D58E1F7093BC6A2D4E85F10B39C7E26A4D1830F5CB92E67D4A1";

// The firmware endpoint's port; the state and settings go to the default HTTP port, which
// their URLs leave out.
inline constexpr std::u16string_view kFirmwarePort = u"8080";
inline constexpr std::u16string_view kStatePort = u"80";

// The device address goes into the URLs exactly as typed.
std::u16string stateUrl(std::u16string_view address);
std::u16string settingsUrl(std::u16string_view address);
std::u16string firmwareUrl(std::u16string_view address);

// The settings document's text: UTF-8 when the bytes are valid UTF-8, the 8-bit code page
// otherwise (reading UTF-8 as 8-bit and writing it back would corrupt non-ASCII settings). A
// leading UTF-8 byte-order mark is dropped first.
std::u16string decodeSettingsBody(std::string_view bytes);

// A byte-order mark is no content, and the parser would take it for the document: the text
// without one leading mark, read as UTF-8 (U+FEFF) or byte for byte (the characters of EF BB BF,
// as an error reply without a charset comes back).
std::u16string_view withoutByteOrderMark(std::u16string_view text);

// The state query and the client it keeps.
class DeviceInterface {
 public:
  // The state query's limits; a scan's probe or a restart poll gives shorter ones.
  explicit DeviceInterface(const ClientLimits& limits = kStateLimits);
  DeviceInterface(const DeviceInterface&) = delete;
  DeviceInterface& operator=(const DeviceInterface&) = delete;
  ~DeviceInterface();

  // GETs the URL with a fresh kept client. Result: the body as UTF-8 text, the body of an
  // error reply, or "timeout" for any other std::exception (an allocation failure included).
  std::u16string fetchText(std::u16string_view url);

  // Tells each step of the state queries that follow; target names where they go.
  void setStepLog(StepLog log, std::u16string target);

  // Why the last state query failed (its error reply included); empty after a success.
  [[nodiscard]] const std::optional<FailureCause>& lastFailure() const { return lastFailure_; }

  // The client of the last state query, or nullptr before the first.
  [[nodiscard]] http::HttpClient* stateClient() const { return stateClient_.get(); }

 private:
  ClientLimits limits_;
  std::unique_ptr<http::HttpClient> stateClient_;
  std::optional<FailureCause> lastFailure_;
  StepLog stepLog_;
  std::u16string target_;
};

}  // namespace app
