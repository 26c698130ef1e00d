#pragma once

#include <string>

namespace app {

class InterruptWatch;

// Opens the window for the registers of the shop's network, its range set to this PC's own
// private networks, and runs the message loop until it closes. recordFile: not empty, each
// register's line of the record is appended there. A first signal closes the window as its
// close box does (no further register starts, those under way finish) and the program then
// ends by that signal; a second one records the registers under way as interrupted and ends
// at once. Returns the exit code.
int runShopWindow(const std::string& recordFile, InterruptWatch& watch);

}  // namespace app
