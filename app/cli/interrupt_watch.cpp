#include "app/cli/interrupt_watch.h"

#include <pthread.h>

#include <csignal>
#include <utility>

namespace app::cli {
namespace {

sigset_t interruptSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

InterruptWatch::InterruptWatch(std::function<void()> onFirst) : onFirst_(std::move(onFirst)) {
  const sigset_t set = interruptSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
  finished_ = true;
  pthread_kill(watcher_.native_handle(), SIGINT);
  watcher_.join();
  // A Ctrl-C that came at the very end stays pending; it is dropped with the run.
  const sigset_t set = interruptSet();
  timespec none{};
  while (sigtimedwait(&set, nullptr, &none) == SIGINT) {
  }
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void InterruptWatch::watch() {
  const sigset_t set = interruptSet();
  int signal = 0;
  while (sigwait(&set, &signal) == 0 && !finished_) {
    if (!stop_.exchange(true)) {
      if (onFirst_) onFirst_();
      continue;
    }
    // The second Ctrl-C: end at once, as without this watch.
    ::signal(SIGINT, SIG_DFL);
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    raise(SIGINT);
  }
}

}  // namespace app::cli
