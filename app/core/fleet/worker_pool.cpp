#include "app/core/fleet/worker_pool.h"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace app::fleet {

// The pool: each thread takes the next index while it holds its slot. A call that releases
// its slot hands it to a new thread and ends with its call.
class SlotGate {
 public:
  using Work = std::function<void(std::size_t index, WorkerSlot& slot)>;

  SlotGate(std::size_t count, const std::atomic<bool>& stop, const Work& work)
      : count_(count), stop_(stop), work_(work) {}

  void start(std::size_t threads) {
    for (std::size_t i = 0; i < threads; ++i) spawn();
  }

  // False when no thread could be made: the caller keeps its slot.
  bool handOver() {
    try {
      spawn();
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }

  // Every thread, also those started while waiting for the others.
  std::size_t joinAll() {
    for (std::size_t i = 0;; ++i) {
      std::jthread thread;
      {
        const std::scoped_lock lock(mutex_);
        if (i >= threads_.size()) break;
        thread = std::move(threads_[i]);
      }
      thread.join();
    }
    return started_;
  }

 private:
  void spawn() {
    const std::scoped_lock lock(mutex_);
    threads_.emplace_back([this] { serve(); });
  }

  void serve() {
    while (!stop_) {
      const std::size_t index = next_++;
      if (index >= count_) return;
      ++started_;
      WorkerSlot slot(*this);
      work_(index, slot);
      if (!slot.held()) return;
    }
  }

  const std::size_t count_;
  const std::atomic<bool>& stop_;
  const Work& work_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> started_{0};
  std::mutex mutex_;
  std::vector<std::jthread> threads_;
};

void WorkerSlot::release() {
  if (held_ && gate_.handOver()) held_ = false;
}

std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index, WorkerSlot& slot)>& work) {
  SlotGate gate(count, stop, work);
  gate.start(std::min<std::size_t>(static_cast<std::size_t>(std::max(workers, 1)), count));
  return gate.joinAll();
}

std::size_t runOnWorkers(std::size_t count, int workers, const std::atomic<bool>& stop,
                         const std::function<void(std::size_t index)>& work) {
  return runOnWorkers(count, workers, stop,
                      [&work](std::size_t index, WorkerSlot&) { work(index); });
}

}  // namespace app::fleet
