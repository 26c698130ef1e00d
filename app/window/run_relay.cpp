#include "app/window/run_relay.h"

#include <QMetaObject>
#include <chrono>
#include <exception>
#include <memory>
#include <utility>

#include "app/core/handler_boundary.h"
#include "app/core/run_record.h"

namespace app {

RunRelay::RunRelay(QObject* context, RunEvents events, std::string recordFile)
    : context_(context),
      events_(std::make_shared<const RunEvents>(std::move(events))),
      recordFile_(std::move(recordFile)) {}

void RunRelay::post(std::function<void()> call) {
  QMetaObject::invokeMethod(context_, std::move(call), Qt::QueuedConnection);
}

void RunRelay::deviceStarted(const DeviceAddress& address) {
  post([events = events_, address] { events->started(address); });
}

void RunRelay::progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) {
  post([events = events_, address, sent, total] { events->progress(address, sent, total); });
}

DialogResult RunRelay::question(const DeviceAddress& /*address*/, const std::u16string& /*text*/) {
  return DialogResult::Ok;
}

void RunRelay::restartWaitStarted(const DeviceAddress& address, int /*seconds*/) {
  post([events = events_, address] { events->restartWait(address); });
}

void RunRelay::outcome(const DeviceOutcome& outcome) {
  std::string line = recordLine(outcome, std::chrono::system_clock::now());
  if (!recordFile_.empty()) {
    try {
      appendRecordLine(recordFile_, line);
    } catch (const std::exception& error) {
      const QString message = QString::fromStdU16String(errorMessageOf(error));
      post([events = events_, message] { events->recordFailed(message); });
    }
  }
  post([events = events_, outcome, line = std::move(line)] { events->outcome(outcome, line); });
}

// The outcome carries the causes; the window shows them there.
void RunRelay::diagnostic(const DeviceAddress& /*address*/, const std::u16string& /*line*/) {}

}  // namespace app
