#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/core/device_run.h"
#include "app/window/workflow_host.h"

namespace app {

class DeviceInterface;
class RecordSink;

// What the command line adds to the window's upload.
struct FormUploadChoices {
  // Image bytes sent so far, of the total.
  std::function<void(std::int64_t sent, std::int64_t total)> onProgress;
  // Where the outcome's record line goes; none: no record.
  RecordSink* record = nullptr;
  // A record line could not be written.
  std::function<void(const std::u16string& message)> onRecordFailed;
  // A cause, one line: why the upload failed, or why a newer register was left as it is.
  std::function<void(const std::u16string& line)> onDiagnostic;
  // Whether a person answers the question (else a preset answer does, which is no consent to
  // install over a newer version), and whether an older version may go on without asking.
  bool personAnswers = true;
  bool allowOlder = false;
};

// The Upload button: the engine's run of the address in the form, with the window's kept
// state client, told on the form. The status line shows "Nahrávam ..." before the image goes
// out and the outcome's status after; the window's pending events are handled once, before
// the image is sent; the question is the window's confirmation; an error that is not the
// upload's own goes to the default error box and leaves the status line as it was. In an
// unattended run the end of the run is requested where the run is over, and already once the
// device names no version.
DeviceOutcome runFormUpload(WorkflowHost& host, DeviceInterface& stateDevice,
                            const FormUploadChoices& choices = {});

}  // namespace app
