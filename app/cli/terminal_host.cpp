#include "app/cli/terminal_host.h"

#include <utility>

namespace app::cli {

TerminalHost::TerminalHost(std::u16string address, Questioner answer)
    : address_(std::move(address)), answer_(std::move(answer)) {}

DialogResult TerminalHost::confirm(const std::u16string& message) {
  return answer_ ? answer_(address_, message) : DialogResult::Cancel;
}

// The window's timeout field starts with this value.
std::u16string TerminalHost::timeoutText() const { return u"6000"; }

}  // namespace app::cli
