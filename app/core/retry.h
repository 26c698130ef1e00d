#pragma once

#include <atomic>

#include "app/core/device_run.h"

namespace app {

// Trying a device again: up to `retries` more times, `delaySeconds` apart. curl's words.
struct RetryPolicy {
  int retries = 0;
  int delaySeconds = 10;
};

// Whether a failed run may be tried again: the register refused or did not answer before a
// byte of the image was sent. Once it answered (any HTTP reply), or once image bytes went
// out, never.
bool worthRetrying(const DeviceOutcome& outcome);

// Waits the delay before the next try; false when stop was set meanwhile (then no try).
bool waitBeforeRetry(int seconds, const std::atomic<bool>* stop);

}  // namespace app
