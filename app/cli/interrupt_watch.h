#pragma once

#include <atomic>
#include <functional>
#include <thread>

namespace app::cli {

// Takes the signals that ask a run to end (SIGINT, SIGTERM, SIGHUP) for its length. They are
// blocked in the calling thread, and so in every thread started after this, so they never
// interrupt a network call; one thread waits for them instead. Make it before any thread of
// the run.
//
// The first signal sets stopRequested() and calls onStop; a second one calls onEnd and ends
// the process by that signal, as without this watch. With endOnFirst the first signal does
// both at once (a single device has nothing to stop but itself).
class InterruptWatch {
 public:
  struct Handlers {
    std::function<void(int signal)> onStop;
    std::function<void(int signal)> onEnd;
  };

  explicit InterruptWatch(Handlers handlers, bool endOnFirst = false);
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  ~InterruptWatch();

  [[nodiscard]] const std::atomic<bool>& stopRequested() const { return stop_; }

 private:
  void watch();
  [[noreturn]] void end(int signal);

  Handlers handlers_;
  bool endOnFirst_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> finished_{false};
  std::thread watcher_;
};

// "SIGINT", "SIGTERM", "SIGHUP".
const char* signalName(int signal);

}  // namespace app::cli
