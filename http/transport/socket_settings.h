#pragma once

#include <cstdint>
#include <string>

#include "http/transport/socket_stack.h"

namespace http {

// How a socket is made before it connects: its address family, Nagle's algorithm, address
// reuse and the local address and port (or port range) it binds to. A client keeps one and
// hands a copy to its socket handler.
struct SocketSettings {
  IpVersion ipVersion = IpVersion::V4;
  bool useNagle = true;
  ReuseSocket reuseSocket = ReuseSocket::OsDependent;
  std::u16string boundIP;
  std::uint16_t boundPort = 0;
  std::uint16_t boundPortMin = 0;
  std::uint16_t boundPortMax = 0;
};

}  // namespace http
