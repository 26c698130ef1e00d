#pragma once

#include <sys/socket.h>

#include <chrono>
#include <optional>
#include <string>

namespace http {

// What one getaddrinfo() call gave: its result code (with errno for EAI_SYSTEM) and, on
// success, the first address.
struct LookupAnswer {
  int resultCode = 0;
  int errnoValue = 0;
  sockaddr_storage address{};
  bool hasAddress = false;
};

// Runs getaddrinfo() for host (UTF-8) in a thread of its own and waits at most limit for its
// answer. Nothing when the time ran out: the lookup is then abandoned, and its thread ends on
// its own whenever the resolver gives up, dropping what it found.
std::optional<LookupAnswer> lookUpWithin(const std::string& host, int family,
                                         std::chrono::milliseconds limit);

// The same lookup on the caller's thread, without a limit.
LookupAnswer lookUp(const std::string& host, int family);

}  // namespace http
