#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/fleet/address_range.h"

namespace app {

// One IPv4 address of a network interface of this PC, in host byte order.
struct InterfaceAddress {
  std::uint32_t address = 0;
  std::uint32_t netmask = 0;
  bool up = false;
  bool loopback = false;
};

// The blocks a search covers by default: for each interface that is up and not loopback, with
// an address in a private network (RFC 1918), its network, narrowed to the /24 around the
// address when wider. Public addresses give nothing. In the order of the interfaces, each
// block once, written "a.b.c.d/n".
std::vector<std::string> defaultScanRanges(const std::vector<InterfaceAddress>& interfaces);

// The blocks of a range field: CIDR blocks separated by commas or blanks, each at most as wide
// as a scan may be; a bare address is its /32. On a wrong block gives nothing and says why in
// error.
std::vector<fleet::AddressRange> parseRangeField(std::string_view text, std::string& error);

}  // namespace app
