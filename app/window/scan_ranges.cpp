#include "app/window/scan_ranges.h"

#include <algorithm>
#include <optional>

namespace app {
namespace {

constexpr int kWidestDefaultPrefix = 24;

struct Block {
  std::uint32_t network;
  int prefix;
};

constexpr std::uint32_t maskOf(int prefix) {
  return prefix == 0 ? 0U : ~std::uint32_t{0} << static_cast<unsigned>(32 - prefix);
}

constexpr Block kPrivateBlocks[] = {
    {0x0A000000U, 8},   // 10.0.0.0/8
    {0xAC100000U, 12},  // 172.16.0.0/12
    {0xC0A80000U, 16},  // 192.168.0.0/16
};

bool isPrivate(std::uint32_t address) {
  return std::ranges::any_of(kPrivateBlocks, [address](const Block& block) {
    return (address & maskOf(block.prefix)) == block.network;
  });
}

// The length of a netmask's leading ones; nothing when the mask is not contiguous.
std::optional<int> prefixOf(std::uint32_t netmask) {
  int prefix = 0;
  while (prefix < 32 && (netmask & (0x80000000U >> static_cast<unsigned>(prefix))) != 0) ++prefix;
  if (netmask != maskOf(prefix)) return std::nullopt;
  return prefix;
}

}  // namespace

std::vector<std::string> defaultScanRanges(const std::vector<InterfaceAddress>& interfaces) {
  std::vector<std::string> ranges;
  for (const InterfaceAddress& interface : interfaces) {
    if (!interface.up || interface.loopback || !isPrivate(interface.address)) continue;
    const std::optional<int> maskPrefix = prefixOf(interface.netmask);
    // A point-to-point link (/31, /32) has no neighbours to find.
    if (!maskPrefix || *maskPrefix > 30) continue;
    const int prefix = std::max(*maskPrefix, kWidestDefaultPrefix);
    const std::string range =
        fleet::addressText(interface.address & maskOf(prefix)) + "/" + std::to_string(prefix);
    if (std::ranges::find(ranges, range) == ranges.end()) ranges.push_back(range);
  }
  return ranges;
}

std::vector<fleet::AddressRange> parseRangeField(std::string_view text, std::string& error) {
  std::vector<fleet::AddressRange> ranges;
  std::size_t position = 0;
  while (position < text.size()) {
    const std::size_t start = text.find_first_not_of(", \t", position);
    if (start == std::string_view::npos) break;
    std::size_t end = text.find_first_of(", \t", start);
    if (end == std::string_view::npos) end = text.size();
    std::string block(text.substr(start, end - start));
    // A bare address is the block of that one address.
    if (block.find('/') == std::string::npos) block += "/32";
    const std::optional<fleet::AddressRange> range = fleet::parseScanRange(block, error);
    if (!range) return {};
    ranges.push_back(*range);
    position = end;
  }
  if (ranges.empty()) error = "no range given";
  return ranges;
}

}  // namespace app
