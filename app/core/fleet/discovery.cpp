#include "app/core/fleet/discovery.h"

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <utility>

#include "app/core/device_interface.h"
#include "app/core/fleet/worker_pool.h"
#include "text/utf8_codec.h"

namespace app::fleet {

std::vector<FoundDevice> discover(const AddressRange& range, const std::atomic<bool>& stop,
                                  const ProbeReport& onProbed) {
  std::mutex foundLock;
  std::vector<std::pair<std::uint64_t, FoundDevice>> found;
  runOnWorkers(range.size(), kScanConcurrency, stop, [&](std::size_t index) {
    const DeviceAddress address =
        text::utf8ToUtf16(addressText(static_cast<std::uint32_t>(range.first + index)));
    DeviceInterface device(kScanProbeLimits);
    StateReading state = readDeviceState(device, address);
    if (!state.answered) {
      if (onProbed) onProbed(address, nullptr);
      return;
    }
    FoundDevice answer{address, std::move(state)};
    if (onProbed) onProbed(address, &answer);
    const std::scoped_lock lock(foundLock);
    found.emplace_back(index, std::move(answer));
  });
  std::ranges::sort(found, {}, &std::pair<std::uint64_t, FoundDevice>::first);
  std::vector<FoundDevice> devices;
  devices.reserve(found.size());
  for (auto& [index, device] : found) devices.push_back(std::move(device));
  return devices;
}

}  // namespace app::fleet
