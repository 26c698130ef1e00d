#include "app/cli/answer_policy.h"

#include "app/core/core_text.h"

namespace app::cli {

Questioner answerPolicy(std::optional<DialogResult> preset, Console& console) {
  return [preset, &console](const std::u16string& /*address*/, const std::u16string& question) {
    if (preset) return *preset;
    if (console.canAsk()) return console.askYesNo(question);
    console.errorLine(
        translated(QT_TRANSLATE_NOOP("zedez",
                                     "no terminal to answer \"%1\": the answer is Cancel (--yes "
                                     "uploads anyway)"),
                   {question}));
    return DialogResult::Cancel;
  };
}

}  // namespace app::cli
