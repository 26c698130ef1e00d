#include "app/fleet/restart_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace app::fleet {
namespace {

using Clock = std::chrono::steady_clock;

// One poll: a restarting device may take connects before it answers.
constexpr int kPollConnectTimeout = 1000;
constexpr int kPollReadTimeout = 3000;
constexpr auto kPollInterval = std::chrono::milliseconds(500);

}  // namespace

RestartOutcome waitForRestart(const std::string& address, const std::u16string& versionBefore,
                              int waitSeconds) {
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(waitSeconds);
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  bool wasSilent = false;
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return {std::nullopt, elapsed()};
    const int connectLimit =
        static_cast<int>(std::min<long long>(kPollConnectTimeout, left.count()));
    auto state = probeState(address, std::max(connectLimit, 1), kPollReadTimeout);
    if (state && (wasSilent || state->versionText != versionBefore)) return {state, elapsed()};
    if (!state) wasSilent = true;
    std::this_thread::sleep_until(std::min(Clock::now() + kPollInterval, deadline));
  }
}

}  // namespace app::fleet
