#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace app {

enum class RequestKind { StateQuery, Upload };

// What a device's run is doing, as it happens: for a front end that writes every step with
// its time. The bytes sent are told as the run's phase, not as steps.
enum class StepKind {
  Request,    // the request goes out; text: method and path, seconds: the most it may take,
              // total: the body's length
  Connected,  // the connection stands
  Reply,      // text: the reply's status line, bytes: its body's length
  Failed,     // text: why
};

struct RunStep {
  StepKind kind = StepKind::Request;
  RequestKind request = RequestKind::StateQuery;
  // "127.0.0.80:80"
  std::u16string target;
  std::u16string text;
  int seconds = 0;
  std::int64_t bytes = 0;
  std::int64_t total = 0;
};

using StepLog = std::function<void(const RunStep& step)>;

// Where a request of this kind goes: "127.0.0.80:80", "127.0.0.80:8080".
std::u16string requestTarget(const std::u16string& address, RequestKind request);

}  // namespace app
