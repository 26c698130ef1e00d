#pragma once

#include <functional>

#include "app/core/errors.h"
#include "app/window/workflow_host.h"

namespace app {

// Ends a handler without any message: the handler boundary swallows it.
HTTP_DECLARE_ERROR(SilentAbortError, Error);

// Runs a handler so that nothing it throws escapes into the message loop: the silent abort is
// swallowed, every other exception is shown in the host's default error box.
void runGuarded(WorkflowHost& host, const std::function<void()>& handler);

}  // namespace app
