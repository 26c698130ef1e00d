#include "app/window/run_relay.h"

#include <QMetaObject>
#include <memory>
#include <utility>

namespace app {

RunRelay::RunRelay(QObject* context, RunEvents events)
    : context_(context), events_(std::make_shared<const RunEvents>(std::move(events))) {}

void RunRelay::post(std::function<void()> call) {
  QMetaObject::invokeMethod(context_, std::move(call), Qt::QueuedConnection);
}

void RunRelay::deviceStarted(const DeviceAddress& address) {
  post([events = events_, address] { events->started(address); });
}

void RunRelay::phase(const DeviceAddress& address, const PhaseChange& change) {
  if (change.phase == RunPhase::Sending) {
    post([events = events_, address, sent = change.sent, total = change.total] {
      events->progress(address, sent, total);
    });
  } else if (change.phase == RunPhase::Restarting) {
    post([events = events_, address] { events->restartWait(address); });
  }
}

Answer RunRelay::ask(const DeviceAddress& /*address*/, const Question& /*question*/) {
  return Answer::Yes;
}

void RunRelay::outcome(const DeviceOutcome& outcome) {
  post([events = events_, outcome] { events->outcome(outcome); });
}

void RunRelay::recordFailed(const std::u16string& message) {
  post([events = events_, text = QString::fromStdU16String(message)] {
    events->recordFailed(text);
  });
}

}  // namespace app
