#pragma once

#include <string>

namespace app {

// Opens the window for the registers of the shop's network, its range set to this PC's own
// private networks, and runs the message loop until it closes. recordFile: not empty, each
// register's line of the record is appended there. Returns the exit code.
int runShopWindow(const std::string& recordFile);

}  // namespace app
