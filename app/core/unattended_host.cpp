#include "app/core/unattended_host.h"

#include <utility>

namespace app {

UnattendedHost::UnattendedHost(std::u16string address, Questioner answer)
    : address_(std::move(address)), answer_(std::move(answer)) {}

DialogResult UnattendedHost::confirm(const std::u16string& message) {
  return answer_ ? answer_(address_, message) : DialogResult::Cancel;
}

// The window's timeout field starts with this value.
std::u16string UnattendedHost::timeoutText() const { return u"6000"; }

}  // namespace app
