#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace app {

// The maker's HTTP proxy, which the form also shows.
inline constexpr std::u16string_view kMakerProxyHost = u"proxy.brenvo.sk";
inline constexpr std::int32_t kMakerProxyPort = 8080;

// Where the connectivity check goes: the tax authority's integration-test service, reached
// through the maker's HTTP proxy. Tests point both at loopback.
struct ConnectivityCheckTarget {
  std::u16string serviceUrl = u"https://ekasa-cert.financnasprava.sk/mdu/soap/services/v2";
  std::u16string proxyHost = std::u16string(kMakerProxyHost);
  std::int32_t proxyPort = kMakerProxyPort;
};

// Posts the fixed SOAP message over TLS 1.0 through the proxy. Returns the service's answer,
// or "<error class> error raised, with message : <message>" when the exchange fails; never
// raises.
std::u16string runConnectivityCheck(const ConnectivityCheckTarget& target = {});

}  // namespace app
