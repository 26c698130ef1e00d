#pragma once

#include <string>
#include <string_view>

namespace app {

// The status after any failure of the settings exchange.
inline constexpr std::u16string_view kSetTimeoutFailedStatus = u"error";

// The Set Timeout button's exchange: reads the device's settings document, sets its "timeout"
// member to the number in timeoutText, posts the document back and gives the device's answer,
// the status line, or kSetTimeoutFailedStatus after any failure.
std::u16string setDeviceTimeout(std::u16string_view address, std::u16string_view timeoutText);

}  // namespace app
