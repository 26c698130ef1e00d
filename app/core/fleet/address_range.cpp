#include "app/core/fleet/address_range.h"

#include <arpa/inet.h>

#include <charconv>

namespace app::fleet {

std::optional<AddressRange> parseScanRange(std::string_view cidr, std::string& error) {
  const auto slash = cidr.find('/');
  const std::string base(cidr.substr(0, slash));
  in_addr parsed{};
  int prefix = -1;
  if (slash != std::string_view::npos) {
    const std::string_view digits = cidr.substr(slash + 1);
    const auto [end, failure] =
        std::from_chars(digits.data(), digits.data() + digits.size(), prefix);
    if (failure != std::errc() || end != digits.data() + digits.size()) prefix = -1;
  }
  if (slash == std::string_view::npos || inet_pton(AF_INET, base.c_str(), &parsed) != 1 ||
      prefix < 0 || prefix > 32) {
    error = "not an IPv4 range such as 192.168.1.0/24: " + std::string(cidr);
    return std::nullopt;
  }
  if (prefix < kWidestScanPrefix) {
    error = "range " + std::string(cidr) + " is wider than /" + std::to_string(kWidestScanPrefix) +
            "; scan it in parts";
    return std::nullopt;
  }
  const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
  const std::uint32_t network = ntohl(parsed.s_addr) & mask;
  AddressRange range{network, network | ~mask};
  if (prefix < 31) {
    ++range.first;
    --range.last;
  }
  return range;
}

std::string addressText(std::uint32_t address) {
  in_addr raw{htonl(address)};
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, &raw, text, sizeof text);
  return text;
}

}  // namespace app::fleet
