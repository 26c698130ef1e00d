#include "app/window/form_upload.h"

#include "app/core/device_state.h"
#include "app/core/error_text.h"
#include "app/core/upload_workflow.h"

namespace app {
namespace {

bool isUnattended(const WorkflowHost& host) { return !host.unattendedAddress().empty(); }

// The form's part in the engine's run: its status line, its question and its end of the run.
class FormRun final : public RunObserver, public Questioner {
 public:
  FormRun(WorkflowHost& host, const FormUploadChoices& choices) : host_(host), choices_(choices) {}

  void stateRead(const DeviceAddress& /*address*/, const std::u16string& versionText) override {
    // It takes effect once control is back in the message loop, after the upload.
    if (namesNoVersion(versionText) && isUnattended(host_)) host_.requestEndOfRun();
  }

  void phase(const DeviceAddress& /*address*/, const PhaseChange& change) override {
    if (change.phase != RunPhase::Sending) return;
    if (!sending_) {
      sending_ = true;
      host_.setStatusText(std::u16string(kUploadingStatus));
      host_.processPendingEvents();
    }
    if (choices_.onProgress) choices_.onProgress(change.sent, change.total);
  }

  void recordFailed(const std::u16string& message) override {
    if (choices_.onRecordFailed) choices_.onRecordFailed(message);
  }

  void diagnostic(const DeviceAddress& /*address*/, const std::u16string& line) override {
    if (choices_.onDiagnostic) choices_.onDiagnostic(line);
  }

  Answer ask(const DeviceAddress& /*address*/, const Question& question) override {
    return host_.confirm(question.text) == DialogResult::Cancel ? Answer::No : Answer::Yes;
  }

 private:
  WorkflowHost& host_;
  const FormUploadChoices& choices_;
  bool sending_ = false;
};

}  // namespace

DeviceOutcome runFormUpload(WorkflowHost& host, DeviceInterface& stateDevice,
                            const FormUploadChoices& choices) {
  FormRun form(host, choices);
  DeviceRunOptions options;
  options.record = choices.record;
  options.stateDevice = &stateDevice;
  options.windowGate = true;
  options.askDowngrade = choices.personAnswers;
  options.allowOlder = choices.allowOlder;
  DeviceOutcome outcome = runDevice(host.addressText(), options, form, form);
  if (outcome.errorBox) {
    host.showErrorBox(outcome.error ? outcome.error->message : std::u16string());
    return outcome;
  }
  host.setStatusText(outcome.status);
  if (isUnattended(host)) host.requestEndOfRun();
  return outcome;
}

}  // namespace app
