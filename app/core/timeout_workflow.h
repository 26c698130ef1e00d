#pragma once

#include <string_view>

namespace app {

class WorkflowHost;

// The status after any failure of the settings exchange.
inline constexpr std::u16string_view kSetTimeoutFailedStatus = u"error";

// The Set Timeout button: reads the device's settings document, sets its "timeout" member to
// the number in the timeout field, posts the document back and shows the device's answer.
void runSetTimeout(WorkflowHost& host);

}  // namespace app
