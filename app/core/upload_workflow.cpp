#include "app/core/upload_workflow.h"

#include <memory>
#include <string>

#include "app/core/core_text.h"
#include "app/core/device_client.h"
#include "app/core/device_interface.h"
#include "app/core/device_run.h"
#include "app/core/device_state.h"
#include "app/core/errors.h"
#include "app/core/firmware_image.h"
#include "app/core/image_identity.h"
#include "app/core/run_observer.h"
#include "app/core/version_verdict.h"
#include "http/http_client.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

// Tells each step of the upload's request.
class UploadSteps {
 public:
  UploadSteps(const DeviceAddress& address, RunObserver& observer)
      : address_(address),
        observer_(observer),
        target_(requestTarget(address, RequestKind::Upload)) {}

  void operator()(StepKind kind, std::u16string text = {}, int seconds = 0,
                  std::int64_t total = 0) const {
    RunStep step;
    step.kind = kind;
    step.request = RequestKind::Upload;
    step.target = target_;
    step.text = std::move(text);
    step.seconds = seconds;
    step.total = total;
    observer_.step(address_, step);
  }

 private:
  const DeviceAddress& address_;
  RunObserver& observer_;
  std::u16string target_;
};

// Posts the image; whatever ends the post, the outcome says so.
void postImage(const DeviceAddress& address, RunObserver& observer, DeviceOutcome& outcome) {
  const auto image = buildFirmwareImage();
  const ClientLimits limits = uploadLimits(image->size());
  const auto client = makeDeviceClient(limits);
  const UploadSteps step(address, observer);
  const int answerSeconds = limits.readTimeout / 1000;
  // The header lines go out before the body and are not counted.
  client->setSendProgress([&](std::int64_t sent, std::int64_t total) {
    outcome.bytesSent = sent;
    observer.phase(address, {RunPhase::Sending, sent, total, answerSeconds});
    if (sent == total) {
      observer.phase(address, {RunPhase::WaitingForAnswer, sent, total, answerSeconds});
    }
  });
  client->onConnected = [&step, &outcome] {
    outcome.uploadConnected = true;
    step(StepKind::Connected);
  };
  const auto total = static_cast<std::int64_t>(image->size());
  try {
    observer.phase(address, {RunPhase::Sending, 0, total, answerSeconds});
    step(StepKind::Request, u"POST /firmware", limits.deadline / 1000, total);
    client->post(firmwareUrl(address), *image);
    step(StepKind::Reply, client->response().responseText());
    const std::int32_t code = client->response().responseCode();
    if (code >= 200 && code <= 299) {
      outcome.status = kUploadSucceededStatus;
      outcome.result = RunResult::Uploaded;
      return;
    }
    // A 101 or another answer that is no success took the image but installed nothing.
    outcome.status = kUploadFailedStatus;
    outcome.error = FailureCause{"HttpProtocolError",
                                 text::utf8ToUtf16(std::to_string(code)) +
                                     u" is no final success: " + client->response().responseText(),
                                 {}};
    outcome.result = RunResult::Failed;
    step(StepKind::Failed, reasonOf(*outcome.error));
  } catch (const std::exception& error) {
    // Not only the library's errors: whatever ends the upload, the run must end too.
    outcome.status = kUploadFailedStatus;
    outcome.error = causeOf(error);
    outcome.result = RunResult::Failed;
    step(StepKind::Failed, reasonOf(*outcome.error));
  }
}

// The version gate: which question, if any, comes before the upload.
VersionQuestion gate(const DeviceRunOptions& options, DeviceOutcome& outcome) {
  const VersionVerdict verdict = verdictOf(outcome.versionText, imageIdentity().version);
  if (options.windowGate) {
    const int version = versionNumberOf(outcome.versionText);
    outcome.version = version;
    return questionInWindow(version, verdict);
  }
  try {
    outcome.version = versionNumberOf(outcome.versionText);
  } catch (const ConversionError&) {
  }
  return questionByDottedRule(verdict, outcome.versionText);
}

// Asks the question; false: declined, and the outcome says so.
bool answeredYes(const DeviceAddress& address, const DeviceRunOptions& options, bool downgrade,
                 RunObserver& observer, Questioner& questioner, DeviceOutcome& outcome) {
  const std::u16string& image = imageIdentity().version;
  const bool dotted = !options.windowGate;
  Answer answer = Answer::No;
  if (downgrade && !options.askDowngrade) {
    observer.diagnostic(address,
                        translated(QT_TRANSLATE_NOOP("zedez",
                                                     "%1 has %2, newer than this image's %3: an "
                                                     "older version is installed only with "
                                                     "--allow-older"),
                                   {address, outcome.versionText, image}));
  } else {
    // The window asks its own question about a newer register too; a run without it says
    // what is at stake.
    const std::u16string text =
        downgrade && dotted
            ? translated(QT_TRANSLATE_NOOP("zedez",
                                           "ZEDEZ %1 in the register is newer than this image's "
                                           "%2. Install the older version?"),
                         {outcome.versionText, image})
            : std::u16string(kAlreadyCurrentQuestion);
    answer = questioner.ask(address, {text, outcome.versionText, image, downgrade});
  }
  if (answer == Answer::Yes) return true;
  outcome.result = RunResult::Declined;
  outcome.status = downgrade && dotted
                       ? translated(QT_TRANSLATE_NOOP("zedez",
                                                      "not installed: the register has %1, newer "
                                                      "than this image's %2 (--allow-older "
                                                      "installs it)"),
                                    {outcome.versionText, image})
                       : std::u16string(kAlreadyCurrentStatus);
  return false;
}

void upload(const DeviceAddress& address, const DeviceRunOptions& options,
            DeviceInterface& stateDevice, RunObserver& observer, Questioner& questioner,
            DeviceOutcome& outcome) {
  observer.phase(address, {RunPhase::ReadingState, 0, 0, kStateLimits.deadline / 1000});
  const StateReading state = readDeviceState(stateDevice, address);
  outcome.stateError = state.failure;
  outcome.versionText = state.versionText;
  observer.stateRead(address, state.versionText);

  const VersionQuestion asks = gate(options, outcome);
  if (asks == VersionQuestion::Unreadable) {
    // Nothing is sent to a register whose version cannot be told.
    outcome.status = translated(
        QT_TRANSLATE_NOOP("zedez", "the version cannot be read: \"%1\"; nothing was sent"),
        {outcome.versionText});
    outcome.error = FailureCause{"UnreadableVersion", outcome.status, {}};
    return;
  }
  // The window asks above 1009 whatever the verdict: a register newer than the image is a
  // downgrade there too.
  const bool downgrade =
      asks != VersionQuestion::None &&
      verdictOf(outcome.versionText, imageIdentity().version) == VersionVerdict::NewerThanImage;
  if (asks != VersionQuestion::None && !(downgrade && options.allowOlder)) {
    outcome.asked = true;
    if (!answeredYes(address, options, downgrade, observer, questioner, outcome)) return;
  }
  // A signal came before the upload began: nothing new starts.
  if (options.stop != nullptr && *options.stop) {
    outcome.status =
        translated(QT_TRANSLATE_NOOP("zedez", "interrupted before the image was sent"));
    outcome.error = FailureCause{"Interrupted", outcome.status, {}};
    outcome.result = RunResult::Interrupted;
    return;
  }
  postImage(address, observer, outcome);
}

}  // namespace

void uploadFirmware(const DeviceAddress& address, const DeviceRunOptions& options,
                    DeviceInterface& stateDevice, RunObserver& observer, Questioner& questioner,
                    DeviceOutcome& outcome) {
  try {
    upload(address, options, stateDevice, observer, questioner, outcome);
  } catch (const std::exception& error) {
    outcome.result = RunResult::Failed;
    outcome.error = causeOf(error);
    outcome.errorBox = true;
  }
}

}  // namespace app
