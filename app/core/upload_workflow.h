#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/core/device_state.h"
#include "app/core/failure_cause.h"
#include "app/core/run_step.h"

namespace app {

class DeviceInterface;
class WorkflowHost;

// Texts of the upload, as the operator sees them.
inline constexpr std::u16string_view kAlreadyCurrentQuestion =
    u"ZEDEZ v ORP je už aktuálne! Napriek tomu prehrať ?";
inline constexpr std::u16string_view kAlreadyCurrentStatus = u"ZEDEZ v ORP je už aktuálne.";
inline constexpr std::u16string_view kUploadingStatus = u"Nahrávam ...";
inline constexpr std::u16string_view kUploadSucceededStatus =
    u"OK. ORP sa reštartuje, a o chvíľu bude pripravená.";
inline constexpr std::u16string_view kUploadFailedStatus =
    u"Chyba č.:2 Nepodarilo sa nahrať ZEDEZ !";

// What one run of the upload did, for callers that report it. The run clears it at its start
// and keeps only onProgress, onStep, dottedRule and allowOlder.
struct UploadReport {
  // Bytes of the image sent so far, of its total; called on the workflow's thread.
  std::function<void(std::int64_t sent, std::int64_t total)> onProgress;
  // Each step of the upload's request; called on the workflow's thread.
  StepLog onStep;
  // The run has no window: the installed version is compared with the image's as dotted
  // numbers, and an unreadable one stops the run; the window keeps its gate (above 1009).
  bool dottedRule = false;
  // Consent to install over a newer version (--allow-older).
  bool allowOlder = false;
  // Set while the question is open: it asks to install over a newer version.
  bool downgradeAsked = false;
  // When set before the image goes out, the image is not sent.
  const std::atomic<bool>* stop = nullptr;

  std::u16string versionText;
  // The number the version gate compared; empty when the text was no number.
  std::optional<int> version;
  bool asked = false;
  bool declined = false;
  bool uploaded = false;
  // Why the state query failed; the workflow goes on with what it got.
  std::optional<FailureCause> stateFailure;
  // Why the upload failed, or the error that left the workflow.
  std::optional<FailureCause> failure;
  // The failure left the workflow, for the default error box.
  bool unhandled = false;
  std::int64_t bytesSent = 0;
};

// The Upload button: reads the device's version, asks before installing over a current one,
// and posts the firmware image. In an unattended run it requests the end of the run wherever
// the run is over. A declined question ends it with SilentAbortError; a version that is not a
// number leaves it with ConversionError, for the default error box. A report, when given, is
// filled as the run goes.
void runUpload(WorkflowHost& host, DeviceInterface& device, UploadReport* report = nullptr);

}  // namespace app
