#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace app::cli {

// Takes Ctrl-C (SIGINT) for the length of a run over many devices. SIGINT is blocked in the
// calling thread, and so in every thread started after this, so it never interrupts a
// network call; one thread waits for it instead. The first SIGINT sets stopRequested() and
// calls onFirst; a second one ends the process as SIGINT normally does.
// Make it before any thread of the run.
class InterruptWatch {
 public:
  explicit InterruptWatch(std::function<void()> onFirst);
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  ~InterruptWatch();

  [[nodiscard]] const std::atomic<bool>& stopRequested() const { return stop_; }

 private:
  void watch();

  std::function<void()> onFirst_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread watcher_;
};

}  // namespace app::cli
