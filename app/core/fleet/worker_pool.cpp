#include "app/core/fleet/worker_pool.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace app::fleet {

std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index)>& work) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> started{0};
  auto takeRest = [&] {
    while (!stop) {
      const std::size_t index = next++;
      if (index >= count) return;
      ++started;
      work(index);
    }
  };
  const auto threads = std::min<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), count);
  {
    std::vector<std::jthread> pool;
    pool.reserve(threads);
    for (std::size_t i = 0; i < threads; ++i) pool.emplace_back(takeRest);
  }
  return started;
}

}  // namespace app::fleet
