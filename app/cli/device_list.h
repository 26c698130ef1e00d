#pragma once

#include <istream>
#include <string>
#include <vector>

namespace app::cli {

// The addresses of a device list: one a line, blank lines and "#" comments skipped. Only the
// first word of a line counts, and a line holding a JSON object gives its "address", so the
// output of a scan, plain or JSON, feeds a list as it is.
std::vector<std::string> readDeviceList(std::istream& in);

}  // namespace app::cli
