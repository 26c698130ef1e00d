#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

#include "app/core/workflow_host.h"

namespace app {

// Runs a handler so that nothing it throws escapes into the message loop: the silent abort is
// swallowed, every other exception is shown in the host's default error box.
void runGuarded(WorkflowHost& host, const std::function<void()>& handler);

// The message of any exception: an http::Error's own text, otherwise what() read as UTF-8.
std::u16string errorMessageOf(const std::exception& error);

// The default error box's text: a full stop is added when the message is not empty and its
// last character sorts after the full stop.
std::u16string errorBoxText(std::u16string_view message);

}  // namespace app
