#include "app/cli/answer_policy.h"

namespace app::cli {

Questioner answerPolicy(std::optional<DialogResult> preset, Console& console) {
  return [preset, &console](const std::u16string& /*address*/, const std::u16string& question) {
    if (preset) return *preset;
    if (console.stdinIsTerminal()) return console.askYesNo(question);
    console.errorLine(u"no terminal to answer \"" + question +
                      u"\": the answer is Cancel (--yes uploads anyway)");
    return DialogResult::Cancel;
  };
}

}  // namespace app::cli
