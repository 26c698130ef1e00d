#include "app/fleet/discovery.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace app::fleet {

std::vector<FoundDevice> discover(const AddressRange& range, const std::atomic<bool>& stop) {
  std::atomic<std::uint64_t> next{0};
  std::mutex foundLock;
  std::vector<std::pair<std::uint32_t, FoundDevice>> found;
  auto probeRest = [&] {
    for (std::uint64_t i = next++; i < range.size() && !stop; i = next++) {
      const auto value = static_cast<std::uint32_t>(range.first + i);
      const std::string address = addressText(value);
      if (auto state = probeState(address, kScanConnectTimeout, kScanReadTimeout)) {
        const std::scoped_lock lock(foundLock);
        found.emplace_back(value, FoundDevice{address, std::move(*state)});
      }
    }
  };
  const auto workers = static_cast<int>(std::min<std::uint64_t>(kScanConcurrency, range.size()));
  {
    std::vector<std::jthread> pool;
    pool.reserve(workers);
    for (int i = 0; i < workers; ++i) pool.emplace_back(probeRest);
  }
  std::ranges::sort(found, {}, &std::pair<std::uint32_t, FoundDevice>::first);
  std::vector<FoundDevice> devices;
  devices.reserve(found.size());
  for (auto& [value, device] : found) devices.push_back(std::move(device));
  return devices;
}

}  // namespace app::fleet
