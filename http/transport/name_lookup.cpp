#include "http/transport/name_lookup.h"

#include <netdb.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "http/transport/socket_error.h"

namespace http {
namespace {

// Shared by the waiting caller and the lookup thread; whichever lets go last frees it.
struct PendingLookup {
  std::mutex lock;
  std::condition_variable answered;
  bool done = false;
  LookupAnswer answer;
};

}  // namespace

LookupAnswer lookUp(const std::string& host, int family) {
  addrinfo hints{};
  hints.ai_family = family;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  LookupAnswer answer;
  answer.resultCode = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
  answer.errnoValue = errno;
  const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> list(found, &::freeaddrinfo);
  if (answer.resultCode == 0 && list != nullptr && list->ai_addr != nullptr) {
    std::memcpy(&answer.address, list->ai_addr,
                std::min<std::size_t>(list->ai_addrlen, sizeof answer.address));
    answer.hasAddress = true;
  }
  return answer;
}

std::optional<LookupAnswer> lookUpWithin(const std::string& host, int family,
                                         std::chrono::milliseconds limit) {
  auto pending = std::make_shared<PendingLookup>();
  try {
    std::thread([pending, host, family] {
      LookupAnswer answer = lookUp(host, family);
      const std::lock_guard guard(pending->lock);
      pending->answer = answer;
      pending->done = true;
      pending->answered.notify_all();
    }).detach();
  } catch (const std::system_error& error) {
    raiseSocketError(socketErrorFromErrno(error.code().value()));
  }
  std::unique_lock guard(pending->lock);
  if (!pending->answered.wait_for(guard, limit, [&] { return pending->done; })) {
    return std::nullopt;
  }
  return pending->answer;
}

}  // namespace http
