#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/device_address.h"

namespace app::cli {

// Text from a device is data, never layout: the longest part of it a line shows.
inline constexpr std::size_t kMostDeviceTextShown = 200;
// A status or cause line holds a device's text (a version, an error reply's body) at most
// this long.
inline constexpr std::size_t kLongestStatusShown = 400;

// The text escaped by the engine's rule (escapedText), cut after `most` UTF-16 units with
// "..." added.
std::u16string escapedDeviceText(std::u16string_view text, std::size_t most = kMostDeviceTextShown);

// "what: 192.168.1.20, 192.168.1.21", each address escaped.
std::u16string listedDevices(const std::u16string& what, const std::vector<DeviceAddress>& devices);

}  // namespace app::cli
