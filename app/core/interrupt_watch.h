#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

namespace app {

// Two signals of one kind this close together are one: timeout(1) sends its signal to the
// child and then to the child's group, and a terminal's Ctrl-C reaches every process of the
// group.
inline constexpr std::chrono::milliseconds kSameSignalWithin{500};

// Takes the signals that ask a run to end (SIGINT, SIGTERM, SIGHUP) for its length. They are
// blocked in the calling thread, and so in every thread started after this, so they never
// interrupt a network call; one thread waits for them instead. SIGPIPE is ignored for the
// process: a closed output is a failed write, told through stopAs(). Make it before any thread
// of the run.
//
// The first signal sets stopRequested() and calls onStop; the run then starts nothing new,
// lets what is under way finish, and ends by that signal through endIfStopped(). A second one
// (of another kind, or more than kSameSignalWithin after the first) calls onEnd and ends the
// process by that signal at once, as without this watch.
class InterruptWatch {
 public:
  struct Handlers {
    std::function<void(int signal)> onStop;
    std::function<void(int signal)> onEnd;
  };

  explicit InterruptWatch(Handlers handlers = {});
  InterruptWatch(const InterruptWatch&) = delete;
  InterruptWatch& operator=(const InterruptWatch&) = delete;
  ~InterruptWatch();

  // Replaces the handlers, for a front end that exists only after the watch (a window needs
  // the watch before its application starts threads). Waits for a handler under way.
  void setHandlers(Handlers handlers);

  [[nodiscard]] const std::atomic<bool>& stopRequested() const { return stop_; }
  // The signal that stopped the run; 0 while none did.
  [[nodiscard]] int stopSignal() const { return stopSignal_; }

  // Stops the run as a first signal would, from any thread: standard output was closed
  // (SIGPIPE), say. Does nothing once the run is stopped.
  void stopAs(int signal);

  // After the run: when it was stopped, ends the process by the signal that stopped it, so
  // that a shell loop or make stops too. Returns when nothing stopped it.
  void endIfStopped();

 private:
  void watch();
  void tellStop(int signal);
  [[noreturn]] static void endBy(int signal);

  std::mutex handlersMutex_;
  Handlers handlers_;
  std::atomic<bool> stop_{false};
  std::atomic<int> stopSignal_{0};
  std::atomic<bool> finished_{false};
  std::mutex stoppedAtMutex_;
  std::chrono::steady_clock::time_point stoppedAt_;
  std::thread watcher_;
};

// "SIGINT", "SIGTERM", "SIGHUP", "SIGPIPE".
const char* signalName(int signal);

}  // namespace app
