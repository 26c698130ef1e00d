#pragma once

// One device, start to end, without a window: the state query, the version gate with an
// answer policy, the image and the upload (or, for a check, the state query and the gate
// alone). Each call makes its own clients and host and touches no global state, so runs for
// several devices may go on in parallel threads. The callbacks are called on the calling
// thread; whoever shares them between threads locks inside them.
//
//   DeviceRunOptions options;
//   options.answer = [](const std::u16string& address, const std::u16string& question) {...};
//   options.onDiagnostic = [](const std::u16string& line) {...};   // a cause, for stderr
//   const DeviceOutcome outcome = runDevice(u"127.0.0.5", options);
//   std::puts(outcomeJson(outcome).c_str());  // or the status line; exitCodeOf(outcome.result)

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/core/device_address.h"
#include "app/core/failure_cause.h"
#include "app/core/restart_wait.h"
#include "app/core/run_step.h"
#include "app/core/upload_workflow.h"
#include "app/core/version_verdict.h"
#include "app/core/workflow_host.h"

namespace app {

enum class RunMode { Upload, Check };
// Interrupted: a signal ended the program while the device's run was under way.
enum class RunResult { Uploaded, Failed, Declined, Checked, Interrupted };

// Whether the version a device came back with after its upload is the image's.
enum class Verification {
  NotAsked,      // no restart wait
  Verified,      // back on the image's version
  WrongVersion,  // back on another version: a failure
  NotBack,       // not back within the wait: unverified
};

// The question to the operator for one device; an empty function answers Cancel.
using Questioner =
    std::function<DialogResult(const DeviceAddress& address, const std::u16string& question)>;

struct DeviceRunOptions {
  RunMode mode = RunMode::Upload;
  Questioner answer;
  // Image bytes sent so far, of the total.
  std::function<void(std::int64_t sent, std::int64_t total)> onProgress;
  // One line per cause of a failure: a failed state query, a failed upload, an error box.
  std::function<void(const std::u16string& line)> onDiagnostic;
  // After an upload, wait this long at most for the device to answer again, and compare the
  // version it comes back with to the image's.
  std::optional<int> waitRestartSeconds;
  // The restart wait begins (after the upload's answer); it lasts at most seconds.
  std::function<void(int seconds)> onRestartWait;
  // Each step of the state query and the upload, as it happens.
  StepLog onStep;
  // Consent to install over a version newer than the image's (--allow-older).
  bool allowOlder = false;
  // Set by a signal: the image is not sent unless already under way, and a restart wait
  // ends at once.
  const std::atomic<bool>* stop = nullptr;
  // Whether the question about a newer version goes to answer; when not (a preset answer, no
  // terminal), it is declined with a cause that names --allow-older.
  bool askDowngrade = false;
};

// What happened at one device; the fields a script reads.
struct DeviceOutcome {
  DeviceAddress address;
  std::u16string versionText;
  // The number the version gate compared; empty when the text was no number.
  std::optional<int> version;
  // The version was current, so the question came up (whoever answered it).
  bool asked = false;
  RunResult result = RunResult::Failed;
  // The status line the window would show; for a check, what an upload would do.
  std::u16string status;
  // What made the run fail.
  std::optional<FailureCause> error;
  // The error left the workflow: the window would show it in the default error box.
  bool errorBox = false;
  // Why the state query failed, also when the run went on.
  std::optional<FailureCause> stateError;
  // Image bytes handed to the connection (the kernel's send buffer), not bytes the device
  // confirmed: a device may answer and close before it has read them all.
  std::int64_t bytesSent = 0;
  // The whole run, the restart wait included.
  double seconds = 0;
  // Where the installed version stood against the image's, before anything was sent.
  VersionVerdict verdict = VersionVerdict::Unreadable;
  // A restart wait was asked for; restart holds it once one ran (after an upload only).
  bool restartWaitAsked = false;
  std::optional<RestartOutcome> restart;
  Verification verification = Verification::NotAsked;
};

DeviceOutcome runDevice(const DeviceAddress& address, const DeviceRunOptions& options);

// The outcome of an upload run that someone else drove (the window), from its report and the
// status line it left.
DeviceOutcome outcomeOfUpload(const DeviceAddress& address, const UploadReport& report,
                              const std::u16string& status);
// The cause lines of an upload's outcome: a failed state query, then a failed upload, each
// naming the request and where it went ("state query to 127.0.0.80:80: connection refused
// (Socket Error # 10061)"), or the error box's text with the error's class.
void tellCauses(const DeviceOutcome& outcome,
                const std::function<void(const std::u16string& line)>& tell);

// How the device's run ended, as its plain line says it: the status line, or for a register
// back on another version "failed: came back on 1.0.9, not 1.0.12".
std::u16string outcomeLine(const DeviceOutcome& outcome);

// "verified", "wrong-version", "not-back", or nothing when not asked.
const char* verificationName(Verification verification);

// "uploaded", "failed", "declined", "checked", "interrupted".
const char* resultName(RunResult result);

// The exit code a script tests for this result: 0 uploaded or checked, 1 failed, 2 declined.
int exitCodeOf(RunResult result);

}  // namespace app
