#pragma once

#include <optional>
#include <string>

namespace app::fleet {

// What a register's state document says about its software.
struct StateReading {
  std::u16string versionText;
  std::optional<int> version;  // empty when the text is not a version number
};

// GETs http://ADDRESS/api/state with these limits. Gives a reading when a register answers:
// a 2xx reply whose document holds "globals"; nothing for any other outcome.
std::optional<StateReading> probeState(const std::string& address, int connectTimeoutMs,
                                       int readTimeoutMs);

}  // namespace app::fleet
