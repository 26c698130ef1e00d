#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace app::fleet {

// Scans cover at most a /16 (65,534 hosts).
inline constexpr int kWidestScanPrefix = 16;

// The IPv4 host addresses of a CIDR block, in host byte order.
struct AddressRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;

  [[nodiscard]] std::uint64_t size() const { return std::uint64_t{last} - first + 1; }
};

// The hosts of "a.b.c.d/n"; network and broadcast addresses are left out below /31. On a
// malformed block, or one wider than kWidestScanPrefix, gives nothing and says why in error.
std::optional<AddressRange> parseScanRange(std::string_view cidr, std::string& error);

std::string addressText(std::uint32_t address);

}  // namespace app::fleet
