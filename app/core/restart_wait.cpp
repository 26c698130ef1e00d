#include "app/core/restart_wait.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/core/device_interface.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollInterval = std::chrono::milliseconds(500);

}  // namespace

RestartOutcome waitForRestart(const DeviceAddress& address, const std::u16string& versionBefore,
                              int waitSeconds, const std::atomic<bool>* stop) {
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::seconds(waitSeconds);
  const auto elapsed = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
  bool wasSilent = false;
  while (true) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || (stop != nullptr && *stop)) {
      return {std::nullopt, elapsed(), waitSeconds};
    }
    // No poll runs past the end of the wait.
    const auto shortened = [&left](int limit) {
      return std::max(static_cast<int>(std::min<long long>(limit, left.count())), 1);
    };
    ClientLimits limits = kRestartPollLimits;
    limits.connectTimeout = shortened(limits.connectTimeout);
    limits.readTimeout = shortened(limits.readTimeout);
    limits.deadline = shortened(limits.deadline);
    DeviceInterface device(limits);
    StateReading state = readDeviceState(device, address);
    if (state.answered && (wasSilent || state.versionText != versionBefore)) {
      return {std::move(state), elapsed(), waitSeconds};
    }
    if (!state.answered) wasSilent = true;
    const auto pause = std::min(Clock::now() + kPollInterval, deadline);
    while (Clock::now() < pause && (stop == nullptr || !*stop)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
}

}  // namespace app
