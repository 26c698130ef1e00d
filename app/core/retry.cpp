#include "app/core/retry.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string_view>
#include <thread>

namespace app {
namespace {

// The failures of reaching a register, as against a register that answered.
constexpr std::array<std::string_view, 8> kUnanswered = {
    "SocketError",   "ConnectTimeoutError",   "ConnectError",      "ReadTimeoutError",
    "DeadlineError", "ConnectionClosedError", "ClosedSocketError", "NotConnectedError"};

}  // namespace

bool worthRetrying(const DeviceOutcome& outcome) {
  if (outcome.result != RunResult::Failed || outcome.bytesSent > 0 || !outcome.error) return false;
  return std::ranges::any_of(
      kUnanswered, [&outcome](std::string_view name) { return outcome.error->className == name; });
}

bool waitBeforeRetry(int seconds, const std::atomic<bool>* stop) {
  // A signal must not wait out the delay: the flag is looked at every 100 ms.
  constexpr auto kStep = std::chrono::milliseconds(100);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (stop != nullptr && stop->load()) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        kStep, end - std::chrono::steady_clock::now()));
  }
  return stop == nullptr || !stop->load();
}

}  // namespace app
