#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

namespace app::fleet {

// Calls work(0), work(1), ... up to work(count - 1), at most `workers` at once, each index
// once, in the order of the indices as they start. Once stop is set no further index starts;
// those under way finish. Returns after every started call has returned, with their number
// N: the indices started are exactly 0 to N - 1.
std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index)>& work);

}  // namespace app::fleet
