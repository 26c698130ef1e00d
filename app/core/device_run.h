#pragma once

// One device, start to end, without a window: the state query, the version gate with the
// run's questioner, the image and the upload (or, for a check, the state query and the gate
// alone), the restart wait and the record line. Each call makes its own clients and touches
// no global state, so runs for several devices may go on in parallel threads. The observer
// and the questioner are called on the calling thread.
//
//   RecordFile record("/var/log/zedez.jsonl");
//   DeviceRunOptions options;
//   options.record = &record;
//   FixedAnswer no(Answer::No);
//   RunObserver quiet;
//   const DeviceOutcome outcome = runDevice(u"127.0.0.5", options, quiet, no);
//   std::puts(outcome.status...);  // exitCodeOf(outcome.result)

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "app/core/device_address.h"
#include "app/core/failure_cause.h"
#include "app/core/restart_wait.h"
#include "app/core/run_observer.h"
#include "app/core/version_verdict.h"

namespace app {

class DeviceInterface;
class RecordSink;

enum class RunMode { Upload, Check };

// The exit codes of a device's result: 0 uploaded or checked, these otherwise.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitDeclined = 2;
// Interrupted: a signal ended the program while the device's run was under way.
enum class RunResult { Uploaded, Failed, Declined, Checked, Interrupted };

// Whether the version a device came back with after its upload is the image's.
enum class Verification {
  NotAsked,      // no restart wait
  Verified,      // back on the image's version
  WrongVersion,  // back on another version: a failure
  NotBack,       // not back within the wait: unverified
};

struct DeviceRunOptions {
  RunMode mode = RunMode::Upload;
  // After an upload, wait this long at most for the device to answer again, and compare the
  // version it comes back with to the image's.
  std::optional<int> waitRestartSeconds;
  // Where the outcome's line goes; none: no record.
  RecordSink* record = nullptr;
  // The state query's kept client (the window's); a client of the run's own when null.
  DeviceInterface* stateDevice = nullptr;
  // The window's run keeps its gate (above 1009 asks); every other run compares dotted
  // versions and stops at an unreadable one.
  bool windowGate = false;
  // Consent to install over a version newer than the image's (--allow-older).
  bool allowOlder = false;
  // Set by a signal: the image is not sent unless already under way, and a restart wait
  // ends at once.
  const std::atomic<bool>* stop = nullptr;
  // Called once the upload is answered, before the restart wait: what is left only waits.
  std::function<void()> beforeRestartWait;
  // Whether the question about a newer version goes to the questioner; when not (a preset
  // answer, no terminal), it is declined with a cause that names --allow-older.
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
  // The upload's connection was opened: from then on bytes of the image may have gone out.
  bool uploadConnected = false;
  // How many times the device was tried (see runDeviceWithRetries).
  int tries = 1;
  // The whole run, the restart wait included.
  double seconds = 0;
  // Where the installed version stood against the image's, before anything was sent.
  VersionVerdict verdict = VersionVerdict::Unreadable;
  // A restart wait was asked for; restart holds it once one ran (after an upload only).
  bool restartWaitAsked = false;
  std::optional<RestartOutcome> restart;
  Verification verification = Verification::NotAsked;
};

// Runs the device, writes its record line and tells the observer the outcome, which it
// returns. A record line that cannot be written is told to the observer.
DeviceOutcome runDevice(const DeviceAddress& address, const DeviceRunOptions& options,
                        RunObserver& observer, Questioner& questioner);

// The same without the record line and the outcome told: for a run over many devices that
// records and tells each outcome itself.
DeviceOutcome runDeviceUntold(const DeviceAddress& address, const DeviceRunOptions& options,
                              RunObserver& observer, Questioner& questioner);

// Writes one line to the sink, if there is one; a failure is told to the observer. False then.
bool writeRecordLine(RecordSink* sink, const std::string& line, RunObserver& observer);
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
