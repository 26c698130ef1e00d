#pragma once

#include <atomic>
#include <functional>

#include "app/core/device_run.h"

namespace app {

// curl's defaults: no further try unless asked, a second between tries.
inline constexpr int kDefaultRetryDelaySeconds = 1;
inline constexpr int kMostRetries = 100;
inline constexpr int kMostRetryDelaySeconds = 600;

// Trying a device again: up to `retries` more times, `delaySeconds` apart.
struct RetryPolicy {
  int retries = 0;
  int delaySeconds = kDefaultRetryDelaySeconds;
};

// Whether a failed run may be tried again: the register refused or did not answer, and the
// upload's connection was never opened, so no byte of the image can have gone out. Once the
// register answered (any HTTP reply) or the upload's connection was open, never.
bool worthRetrying(const DeviceOutcome& outcome);

// Waits the delay before the next try; false when stop was set meanwhile (then no try).
bool waitBeforeRetry(int seconds, const std::atomic<bool>* stop);

// Runs the device as runDeviceUntold does and tries it again while worthRetrying allows,
// telling the observer each further try; a question is answered in a later try as it was in
// the first, without asking again. beforeTry is called before each further try with its
// number (2, 3, ...); false: no further try. A stop ends the tries at once. outcome.tries
// says how many ran.
DeviceOutcome runDeviceWithRetries(const DeviceAddress& address, const DeviceRunOptions& options,
                                   const RetryPolicy& policy, RunObserver& observer,
                                   Questioner& questioner,
                                   const std::function<bool(int tryNumber)>& beforeTry = {});

}  // namespace app
