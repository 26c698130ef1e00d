#include "app/core/interrupt_watch.h"

#include <pthread.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace app {
namespace {

sigset_t interruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
  return set;
}

}  // namespace

InterruptWatch::InterruptWatch(Handlers handlers) : handlers_(std::move(handlers)) {
  ::signal(SIGPIPE, SIG_IGN);
  const sigset_t set = interruptSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  watcher_ = std::thread([this] { watch(); });
}

InterruptWatch::~InterruptWatch() {
  finished_ = true;
  pthread_kill(watcher_.native_handle(), SIGINT);
  watcher_.join();
  // A signal that came at the very end stays pending; it is dropped with the run.
  const sigset_t set = interruptSet();
  timespec none{};
  while (sigtimedwait(&set, nullptr, &none) > 0) {
  }
  pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void InterruptWatch::stopAs(int signal) {
  {
    const std::scoped_lock lock(stoppedAtMutex_);
    if (stopSignal_ != 0) return;
    stoppedAt_ = std::chrono::steady_clock::now();
    stopSignal_ = signal;
  }
  stop_ = true;
  tellStop(signal);
}

void InterruptWatch::setHandlers(Handlers handlers) {
  const std::scoped_lock lock(handlersMutex_);
  handlers_ = std::move(handlers);
}

void InterruptWatch::tellStop(int signal) {
  const std::scoped_lock lock(handlersMutex_);
  if (handlers_.onStop) handlers_.onStop(signal);
}

void InterruptWatch::watch() {
  const sigset_t set = interruptSet();
  int signal = 0;
  while (sigwait(&set, &signal) == 0 && !finished_) {
    const int first = stopSignal_;
    if (first == 0) {
      stopAs(signal);
      continue;
    }
    // The same signal again at once is the same request, sent twice.
    bool again = false;
    {
      const std::scoped_lock lock(stoppedAtMutex_);
      again = std::chrono::steady_clock::now() - stoppedAt_ < kSameSignalWithin;
    }
    if (signal == first && again) continue;
    const std::scoped_lock lock(handlersMutex_);
    if (handlers_.onEnd) handlers_.onEnd(signal);
    endBy(signal);
  }
}

void InterruptWatch::endIfStopped() {
  const int signal = stopSignal_;
  if (signal == 0) return;
  finished_ = true;
  endBy(signal);
}

void InterruptWatch::endBy(int signal) {
  // Ends the process by the signal itself, so that the caller sees how it ended.
  std::fflush(nullptr);
  ::signal(signal, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  std::_Exit(128 + signal);
}

const char* signalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "a signal";
  }
}

}  // namespace app
