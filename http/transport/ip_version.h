#pragma once

namespace http {

// Address family of a target or a socket.
enum class IpVersion { V4, V6 };

}  // namespace http
