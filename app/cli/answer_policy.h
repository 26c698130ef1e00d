#pragma once

#include <optional>

#include "app/cli/console.h"
#include "app/core/device_run.h"

namespace app::cli {

// Who answers the question when there is no window: the preset answer of --yes or --no;
// otherwise the terminal, when standard input is one or a pipe with a controlling terminal
// at hand; otherwise Cancel, with a line on
// standard error that says why. It never waits for an answer that cannot come.
Questioner answerPolicy(std::optional<DialogResult> preset, Console& console);

}  // namespace app::cli
