#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/window/workflow_host.h"

namespace app::testing {

// A window stand-in for running workflows without Qt. It records what a workflow does to the
// window, in order, and answers confirmations from a script (Cancel when the script is empty).
class HeadlessHost final : public WorkflowHost {
 public:
  std::u16string address = u"10.77.82.80";
  std::u16string unattended;
  std::u16string timeout = u"6000";

  std::vector<std::u16string> statusTexts;
  std::vector<std::u16string> questions;
  std::deque<DialogResult> answers;
  std::vector<std::u16string> errorBoxes;
  int pendingEventRounds = 0;
  int endOfRunRequests = 0;
  // One entry per call, e.g. "status:Nahrávam ...", "confirm", "events", "end", "error".
  std::vector<std::u16string> log;
  // Runs inside processPendingEvents(), e.g. to fail there.
  std::function<void()> duringPendingEvents;

  void setStatusText(const std::u16string& text) override {
    statusTexts.push_back(text);
    log.push_back(u"status:" + text);
  }
  DialogResult confirm(const std::u16string& message) override {
    questions.push_back(message);
    log.emplace_back(u"confirm");
    if (answers.empty()) return DialogResult::Cancel;
    const DialogResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void processPendingEvents() override {
    ++pendingEventRounds;
    log.emplace_back(u"events");
    if (duringPendingEvents) duringPendingEvents();
  }
  void requestEndOfRun() override {
    ++endOfRunRequests;
    log.emplace_back(u"end");
  }
  void showErrorBox(const std::u16string& message) override {
    errorBoxes.push_back(message);
    log.emplace_back(u"error");
  }
  [[nodiscard]] std::u16string addressText() const override { return address; }
  [[nodiscard]] std::u16string unattendedAddress() const override { return unattended; }
  [[nodiscard]] std::u16string timeoutText() const override { return timeout; }
};

}  // namespace app::testing
