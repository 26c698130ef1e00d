#include "app/cli/interrupt_watch.h"

#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <utility>

namespace app::cli {
namespace {

sigset_t interruptSet() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
  return set;
}

}  // namespace

InterruptWatch::InterruptWatch(Handlers handlers, bool endOnFirst)
    : handlers_(std::move(handlers)), endOnFirst_(endOnFirst) {
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

void InterruptWatch::watch() {
  const sigset_t set = interruptSet();
  int signal = 0;
  while (sigwait(&set, &signal) == 0 && !finished_) {
    const bool first = !stop_.exchange(true);
    if (first && handlers_.onStop) handlers_.onStop(signal);
    if (first && !endOnFirst_) continue;
    end(signal);
  }
}

void InterruptWatch::end(int signal) {
  if (handlers_.onEnd) handlers_.onEnd(signal);
  // Ends the process by the signal itself, so that the caller sees how it ended.
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
    default:
      return "a signal";
  }
}

}  // namespace app::cli
