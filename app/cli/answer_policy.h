#pragma once

#include <functional>
#include <optional>
#include <string>

#include "app/cli/console.h"
#include "app/core/run_observer.h"

namespace app::cli {

// Who answers the question when there is no window: the preset answer of --yes or --no;
// otherwise the terminal, when standard input is one or a pipe with a controlling terminal
// at hand; otherwise Cancel, with a line on
// standard error that says why. It never waits for an answer that cannot come.
using AnswerPolicy =
    std::function<Answer(const std::u16string& address, const std::u16string& question)>;
AnswerPolicy answerPolicy(std::optional<Answer> preset, Console& console);

}  // namespace app::cli
