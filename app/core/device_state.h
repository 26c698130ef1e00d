#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/core/device_address.h"
#include "app/core/failure_cause.h"
#include "json/parser.h"

namespace app {

class DeviceInterface;

// A device's documents hold a few hundred values; a document that needs far more is no
// document of a register, and parsing it must not cost unbounded memory.
inline constexpr json::ParseLimits kDeviceDocumentLimits{100'000};

// Versions above this number count as current.
inline constexpr int kCurrentVersionThreshold = 1009;

// What a device's state document says about its software, and how the query went.
struct StateReading {
  // The text of "globals.ZEDEZVer" as it is kept (see keptVersionText); empty when there is
  // none.
  std::u16string versionText;
  // The length the device's text had; more than versionText holds when it was cut.
  std::size_t versionLength = 0;
  // The number the version gate compares; empty when the text is not a version number.
  std::optional<int> version;
  // Why the query failed (an error reply included, and a reply that is no JSON); empty after
  // a success.
  std::optional<FailureCause> failure;
  // A register answered: a 2xx reply whose document holds "globals".
  bool answered = false;
};

// Queries http://ADDRESS/api/state with the device's kept client and reads the version from
// what came back: the document, or the body of an error reply, as the upload reads it. One
// leading byte-order mark is dropped first.
StateReading readDeviceState(DeviceInterface& device, const DeviceAddress& address);

// The installed version as the state document names it at "globals.ZEDEZVer"; empty when the
// text is no document or the path leads nowhere.
std::u16string versionTextOf(std::u16string_view stateText);

// The number the device's version text stands for: every "v" and "." removed, empty as 0.
// Raises ConversionError when the rest is not an integer.
int versionNumberOf(std::u16string_view versionText);

}  // namespace app
