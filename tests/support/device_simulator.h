#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"

namespace testsupport {

// One request as the simulator recorded it.
struct RecordedRequest {
  std::string kind;  // "state", "settings_get", "settings_post", "firmware", ...
  std::string method;
  std::string target;
  std::string head;  // request line and header lines, exact bytes
  std::string body;  // exact bytes
  bool tokenOk = false;
};

// The cash-register stand-in of tools/, started on its own loopback address with the
// device's real ports (80 and 8080), recording every request.
class DeviceSimulator {
 public:
  // extraArguments: options of the tool, e.g. {"--version", "v1.0.12"}.
  explicit DeviceSimulator(const std::vector<std::string>& extraArguments = {});
  DeviceSimulator(const DeviceSimulator&) = delete;
  DeviceSimulator& operator=(const DeviceSimulator&) = delete;
  ~DeviceSimulator();

  [[nodiscard]] const std::string& address() const { return address_; }
  [[nodiscard]] std::u16string address16() const;
  // Every request recorded so far, in order.
  [[nodiscard]] std::vector<RecordedRequest> records() const;
  [[nodiscard]] std::vector<RecordedRequest> records(const std::string& kind) const;

 private:
  std::string address_;
  std::filesystem::path directory_;
  std::unique_ptr<ChildProcess> process_;
};

// A loopback address no other test of this run uses.
std::string freshLoopbackAddress();

std::string base64Decode(const std::string& text);

}  // namespace testsupport
