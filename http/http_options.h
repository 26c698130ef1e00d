#pragma once

#include <cstdint>
#include <initializer_list>

namespace http {

enum class HttpVersion { v1_0, v1_1 };

// Behaviour switches of the client, in their bit order.
enum class HttpOption : std::uint8_t {
  InProcessAuth,
  KeepOriginalProtocol,
  ForceEncodeParams,
  TunnelPlainThroughProxy,
  NoParseMetaHttpEquiv,
  WaitForUnexpectedData,
  Treat302Like303,
  NoProtocolErrorException,
  NoReadMultipart,
  NoParseXmlCharset,
  WantProtocolErrorContent,
  NoReadChunked,
};

// A set of HttpOption values stored as a bit mask (bit 0 = the first value).
class HttpOptions {
 public:
  constexpr HttpOptions() = default;
  constexpr HttpOptions(std::initializer_list<HttpOption> options) {
    for (const HttpOption option : options) include(option);
  }

  [[nodiscard]] constexpr bool contains(HttpOption option) const {
    return (bits_ & bit(option)) != 0;
  }
  constexpr void include(HttpOption option) { bits_ |= bit(option); }
  constexpr void exclude(HttpOption option) { bits_ &= ~bit(option); }
  [[nodiscard]] constexpr std::uint32_t bits() const { return bits_; }
  friend constexpr bool operator==(HttpOptions, HttpOptions) = default;

 private:
  static constexpr std::uint32_t bit(HttpOption option) {
    return 1U << static_cast<unsigned>(option);
  }
  std::uint32_t bits_ = 0;
};

// How the current connection reaches the target.
enum class ConnectionType { Normal, Tls, Proxy, TlsProxy };

[[nodiscard]] constexpr bool isProxyConnection(ConnectionType type) {
  return type == ConnectionType::Proxy || type == ConnectionType::TlsProxy;
}

}  // namespace http
