#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

namespace app::fleet {

class SlotGate;

// A call's hold on one of the pool's slots. A call that has only waiting left to do (a device
// restarting) gives it up, so that the next call starts beside it.
class WorkerSlot {
 public:
  explicit WorkerSlot(SlotGate& gate) : gate_(gate) {}
  WorkerSlot(const WorkerSlot&) = delete;
  WorkerSlot& operator=(const WorkerSlot&) = delete;
  ~WorkerSlot() = default;

  // Frees the slot for the next call; again does nothing. Where no thread can be made for the
  // next call, the slot stays held.
  void release();
  [[nodiscard]] bool held() const { return held_; }

 private:
  SlotGate& gate_;
  bool held_ = true;
};

// Calls work(0, slot), work(1, slot), ... up to work(count - 1, slot), each index once, in the
// order of the indices as they start, each holding a slot until it returns or releases it: at
// most `workers` hold one at once. Once stop is set no further index starts; those under way
// finish. Returns after every started call has returned, with their number N: the indices
// started are exactly 0 to N - 1.
std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index, WorkerSlot& slot)>& work);

// The same for calls that hold their slot to the end.
std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index)>& work);

}  // namespace app::fleet
