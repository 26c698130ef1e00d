#include "app/cli/history_summary.h"

#include <cmath>

#include "app/core/core_text.h"
#include "text/utf8_codec.h"

namespace app::cli {

bool isNotBack(const RecordEntry& entry) {
  if (!entry.verification.empty()) return entry.verification == "not-back";
  return entry.result == "uploaded" && entry.verified.has_value() && !*entry.verified &&
         entry.versionAfter.empty();
}

bool isFailing(const RecordEntry& entry) {
  return entry.result == "failed" || entry.result == "not-started" ||
         entry.result == "interrupted" || isNotBack(entry);
}

std::u16string causeText(const RecordEntry& entry) {
  std::u16string text;
  bool space = false;
  for (const char16_t c : text::utf8ToUtf16(entry.causeMessage)) {
    if (c == u'\r' || c == u'\n' || c == u'\t' || c == u' ' || c == u'\v' || c == u'\f') {
      space = !text.empty();
      continue;
    }
    if (space) text += u' ';
    space = false;
    text += c;
  }
  if (text.empty() && isNotBack(entry)) {
    const auto seconds = entry.waitRestart ? entry.waitRestart : entry.restartSeconds;
    const std::string shown =
        seconds ? std::to_string(static_cast<long long>(std::lround(*seconds))) : "?";
    text =
        translated(QT_TRANSLATE_NOOP("zedez", "not back within %1 s"), {text::utf8ToUtf16(shown)});
  }
  if (entry.tries && *entry.tries > 1) {
    const std::u16string tries = translated(QT_TRANSLATE_NOOP("zedez", "%1 tries"),
                                            {text::utf8ToUtf16(std::to_string(*entry.tries))});
    text = text.empty() ? tries : text + u" (" + tries + u")";
  }
  return text;
}

std::u16string resultText(const std::string& result) {
  if (result == "uploaded") return translated(QT_TRANSLATE_NOOP("zedez", "uploaded"));
  if (result == "failed") return translated(QT_TRANSLATE_NOOP("zedez", "failed"));
  if (result == "declined") return translated(QT_TRANSLATE_NOOP("zedez", "declined"));
  if (result == "checked") return translated(QT_TRANSLATE_NOOP("zedez", "checked"));
  if (result == "interrupted") return translated(QT_TRANSLATE_NOOP("zedez", "interrupted"));
  if (result == "not-started") return translated(QT_TRANSLATE_NOOP("zedez", "not started"));
  return text::utf8ToUtf16(result);
}

}  // namespace app::cli
