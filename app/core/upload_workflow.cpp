#include "app/core/upload_workflow.h"

#include <memory>
#include <string>

#include "app/core/device_client.h"
#include "app/core/device_interface.h"
#include "app/core/device_run.h"
#include "app/core/device_state.h"
#include "app/core/firmware_image.h"
#include "app/core/image_identity.h"
#include "app/core/run_observer.h"
#include "http/http_client.h"

namespace app {
namespace {

// Tells each step of the upload's request, when someone listens.
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
    if (sent == total)
      observer.phase(address, {RunPhase::WaitingForAnswer, sent, total, answerSeconds});
  });
  client->onConnected = [&step] { step(StepKind::Connected); };
  const auto total = static_cast<std::int64_t>(image->size());
  try {
    observer.phase(address, {RunPhase::Sending, 0, total, answerSeconds});
    step(StepKind::Request, u"POST /firmware", limits.deadline / 1000, total);
    client->post(firmwareUrl(address), *image);
    step(StepKind::Reply, client->response().responseText());
    outcome.status = kUploadSucceededStatus;
    outcome.result = RunResult::Uploaded;
  } catch (const std::exception& error) {
    // Not only the library's errors: whatever ends the upload, the run must end too.
    outcome.status = kUploadFailedStatus;
    outcome.error = causeOf(error);
    outcome.result = RunResult::Failed;
    step(StepKind::Failed, reasonOf(*outcome.error));
  }
}

void upload(const DeviceAddress& address, DeviceInterface& stateDevice, RunObserver& observer,
            Questioner& questioner, DeviceOutcome& outcome) {
  observer.phase(address, {RunPhase::ReadingState, 0, 0, kStateLimits.deadline / 1000});
  const StateReading state = readDeviceState(stateDevice, address);
  outcome.stateError = state.failure;
  outcome.versionText = state.versionText;
  observer.stateRead(address, state.versionText);

  const int version = versionNumberOf(state.versionText);
  outcome.version = version;
  if (version > kCurrentVersionThreshold) {
    outcome.asked = true;
    const Question question{std::u16string(kAlreadyCurrentQuestion), state.versionText,
                            imageIdentity().version};
    if (questioner.ask(address, question) == Answer::No) {
      outcome.result = RunResult::Declined;
      outcome.status = kAlreadyCurrentStatus;
      return;
    }
  }
  postImage(address, observer, outcome);
}

}  // namespace

void uploadFirmware(const DeviceAddress& address, DeviceInterface& stateDevice,
                    RunObserver& observer, Questioner& questioner, DeviceOutcome& outcome) {
  try {
    upload(address, stateDevice, observer, questioner, outcome);
  } catch (const std::exception& error) {
    outcome.result = RunResult::Failed;
    outcome.error = causeOf(error);
    outcome.errorBox = true;
  }
}

}  // namespace app
