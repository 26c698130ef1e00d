#include "http/transport/socket_stack.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "http/base/scope_guard.h"
#include "http/transport/name_lookup.h"
#include "http/transport/socket_error.h"
#include "text/utf8_codec.h"

namespace http {
namespace {

std::mutex& stackLock() {
  static std::mutex lock;
  return lock;
}

SocketStack* stackInstance = nullptr;
int stackUsers = 0;

// The last error number of this thread, set by every failing call of the stack.
thread_local int lastErrorNumber = 0;

int recordErrno() {
  lastErrorNumber = socketErrorFromErrno(errno);
  return lastErrorNumber;
}

[[noreturn]] void raiseErrno() { raiseSocketError(recordErrno()); }

void checkIpVersion(IpVersion ipVersion) {
  if (ipVersion != IpVersion::V4 && ipVersion != IpVersion::V6) {
    throw IpVersionUnsupportedError(u"The requested IPVersion / Address family is not supported.");
  }
}

int familyOf(IpVersion ipVersion) {
  checkIpVersion(ipVersion);
  return ipVersion == IpVersion::V4 ? AF_INET : AF_INET6;
}

// A decimal piece of an address: trimmed, digits only, else -1.
long pieceValue(std::u16string_view piece) {
  while (!piece.empty() && piece.front() <= u' ') piece.remove_prefix(1);
  while (!piece.empty() && piece.back() <= u' ') piece.remove_suffix(1);
  if (piece.empty() || piece.size() > 9) return -1;
  long value = 0;
  for (const char16_t c : piece) {
    if (c < u'0' || c > u'9') return -1;
    value = value * 10 + (c - u'0');
  }
  return value;
}

// The four parts of a dotted IPv4 literal, each trimmed and read as a decimal number, so that
// "010.077.082.080" is 10.77.82.80; nothing when the text is no such literal.
std::optional<std::array<std::uint8_t, 4>> ipv4Parts(std::u16string_view text) {
  std::array<std::uint8_t, 4> parts{};
  for (std::size_t part = 0; part < parts.size(); ++part) {
    const std::size_t dot = text.find(u'.');
    const bool last = part == parts.size() - 1;
    if (!last && dot == std::u16string_view::npos) return std::nullopt;
    const std::u16string_view piece = last ? text : text.substr(0, dot);
    const long value = pieceValue(piece);
    if (value < 0 || value > 255) return std::nullopt;
    parts[part] = static_cast<std::uint8_t>(value);
    if (!last) text.remove_prefix(dot + 1);
  }
  return parts;
}

// Builds the address for ip text (empty: any) and port; raises 10022 for text that is not an
// address of the family.
socklen_t makeAddress(sockaddr_storage& storage, std::u16string_view ip, std::uint16_t port,
                      IpVersion ipVersion) {
  std::memset(&storage, 0, sizeof storage);
  const std::string text = text::utf16ToUtf8(ip);
  if (familyOf(ipVersion) == AF_INET) {
    auto& address = reinterpret_cast<sockaddr_in&>(storage);
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    if (text.empty()) {
      address.sin_addr.s_addr = htonl(INADDR_ANY);
    } else if (const auto parts = ipv4Parts(ip)) {
      // Built from the parts' values: the system's parser refuses leading zeros and blanks.
      std::memcpy(&address.sin_addr.s_addr, parts->data(), parts->size());
    } else {
      raiseSocketError(10022);
    }
    return sizeof(sockaddr_in);
  }
  auto& address = reinterpret_cast<sockaddr_in6&>(storage);
  address.sin6_family = AF_INET6;
  address.sin6_port = htons(port);
  if (text.empty()) {
    address.sin6_addr = in6addr_any;
  } else if (inet_pton(AF_INET6, text.c_str(), &address.sin6_addr) != 1) {
    raiseSocketError(10022);
  }
  return sizeof(sockaddr_in6);
}

SocketAddress readAddress(const sockaddr_storage& storage) {
  SocketAddress result;
  char text[INET6_ADDRSTRLEN] = {};
  if (storage.ss_family == AF_INET) {
    const auto& address = reinterpret_cast<const sockaddr_in&>(storage);
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    result.port = ntohs(address.sin_port);
    result.ipVersion = IpVersion::V4;
  } else if (storage.ss_family == AF_INET6) {
    const auto& address = reinterpret_cast<const sockaddr_in6&>(storage);
    inet_ntop(AF_INET6, &address.sin6_addr, text, sizeof text);
    result.port = ntohs(address.sin6_port);
    result.ipVersion = IpVersion::V6;
  } else {
    raiseSocketError(10047);
  }
  result.ip = text::latin1ToUtf16(text);
  return result;
}

// Waits for the events on one socket; timeoutMs < 0 waits forever. Restarts after a signal
// with the time that is left. Returns the reported events, 0 when the time ran out.
short pollOne(int socket, short events, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  pollfd entry{socket, events, 0};
  int wait = timeoutMs;
  for (;;) {
    const int result = ::poll(&entry, 1, wait);
    if (result > 0) return entry.revents;
    if (result == 0) return 0;
    if (errno != EINTR) raiseErrno();
    if (timeoutMs >= 0) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<long long>(left, 0));
    }
  }
}

int pendingSocketError(int socket) {
  int error = 0;
  socklen_t length = sizeof error;
  if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) raiseErrno();
  return error;
}

bool equalsIgnoringAsciiCase(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    if (c != upper[i]) return false;
  }
  return true;
}

}  // namespace

void SocketStack::addUser() {
  const std::lock_guard guard(stackLock());
  if (stackUsers++ == 0) stackInstance = new SocketStack();
}

void SocketStack::removeUser() {
  const std::lock_guard guard(stackLock());
  if (stackUsers > 0 && --stackUsers == 0) {
    delete stackInstance;
    stackInstance = nullptr;
  }
}

int SocketStack::usageCount() {
  const std::lock_guard guard(stackLock());
  return stackUsers;
}

SocketStack& SocketStack::instance() {
  const std::lock_guard guard(stackLock());
  if (stackInstance == nullptr) throw SocketStackError(u"Stack Class is undefined.");
  return *stackInstance;
}

int SocketStack::newSocketHandle(int socketType, int protocol, IpVersion ipVersion) {
  const int handle = ::socket(familyOf(ipVersion), socketType | SOCK_CLOEXEC, protocol);
  if (handle < 0) raiseErrno();
  return handle;
}

void SocketStack::bind(int socket, std::u16string_view ip, std::uint16_t port,
                       IpVersion ipVersion) {
  sockaddr_storage address{};
  const socklen_t length = makeAddress(address, ip, port, ipVersion);
  if (::bind(socket, reinterpret_cast<sockaddr*>(&address), length) != 0) raiseErrno();
}

void SocketStack::connect(int socket, std::u16string_view ip, std::uint16_t port,
                          IpVersion ipVersion) {
  sockaddr_storage address{};
  const socklen_t length = makeAddress(address, ip, port, ipVersion);
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), length) == 0) return;
  if (errno != EINTR) raiseErrno();
  // Interrupted: the connect goes on in the background; wait for its outcome.
  pollOne(socket, POLLOUT, -1);
  if (const int error = pendingSocketError(socket); error != 0) {
    lastErrorNumber = socketErrorFromErrno(error);
    raiseSocketError(lastErrorNumber);
  }
}

bool SocketStack::connectWithin(int socket, std::u16string_view ip, std::uint16_t port,
                                IpVersion ipVersion, int timeoutMs) {
  sockaddr_storage address{};
  const socklen_t length = makeAddress(address, ip, port, ipVersion);
  const int flags = ::fcntl(socket, F_GETFL);
  if (flags < 0 || ::fcntl(socket, F_SETFL, flags | O_NONBLOCK) != 0) raiseErrno();
  const ScopeGuard restoreBlocking([&] { ::fcntl(socket, F_SETFL, flags); });
  if (::connect(socket, reinterpret_cast<sockaddr*>(&address), length) == 0) return true;
  if (errno != EINPROGRESS && errno != EINTR) raiseSocketError(recordErrno());
  if (pollOne(socket, POLLOUT, timeoutMs) == 0) return false;
  if (const int error = pendingSocketError(socket); error != 0) {
    lastErrorNumber = socketErrorFromErrno(error);
    raiseSocketError(lastErrorNumber);
  }
  return true;
}

int SocketStack::receive(int socket, std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t count = ::recv(socket, buffer.data(), buffer.size(), 0);
    if (count >= 0) return static_cast<int>(count);
    if (errno != EINTR) raiseErrno();
  }
}

int SocketStack::receiveNow(int socket, std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t count = ::recv(socket, buffer.data(), buffer.size(), MSG_DONTWAIT);
    if (count >= 0) return static_cast<int>(count);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    if (errno != EINTR) raiseErrno();
  }
}

int SocketStack::send(int socket, std::span<const std::uint8_t> bytes) {
  for (;;) {
    const ssize_t count = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count >= 0) return static_cast<int>(count);
    if (errno != EINTR) raiseErrno();
  }
}

int SocketStack::sendNow(int socket, std::span<const std::uint8_t> bytes) {
  for (;;) {
    const ssize_t count = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count >= 0) return static_cast<int>(count);
    if (errno == EAGAIN || errno == EWOULDBLOCK) return -1;
    if (errno != EINTR) raiseErrno();
  }
}

void SocketStack::disconnect(int socket) noexcept {
  ::shutdown(socket, SHUT_WR);
  ::close(socket);
}

bool SocketStack::readable(int socket, int timeoutMs) {
  return (pollOne(socket, POLLIN, timeoutMs) & (POLLIN | POLLHUP | POLLERR)) != 0;
}

bool SocketStack::writable(int socket, int timeoutMs) {
  return (pollOne(socket, POLLOUT, timeoutMs) & (POLLOUT | POLLHUP | POLLERR)) != 0;
}

SocketAddress SocketStack::getSocketName(int socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) raiseErrno();
  return readAddress(address);
}

SocketAddress SocketStack::getPeerName(int socket) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getpeername(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) raiseErrno();
  return readAddress(address);
}

void SocketStack::setSocketOption(int socket, int level, int name, std::int32_t value) {
  if (::setsockopt(socket, level, name, &value, sizeof value) != 0) raiseErrno();
}

std::int32_t SocketStack::getSocketOption(int socket, int level, int name) {
  std::int32_t value = 0;
  socklen_t length = sizeof value;
  if (::getsockopt(socket, level, name, &value, &length) != 0) raiseErrno();
  return value;
}

std::u16string SocketStack::resolveHost(std::u16string_view host, IpVersion ipVersion) {
  if (auto literal = literalAddress(host, ipVersion)) return std::move(*literal);
  return hostByName(host, ipVersion);
}

std::optional<std::u16string> SocketStack::resolveHostWithin(std::u16string_view host,
                                                             IpVersion ipVersion,
                                                             std::chrono::milliseconds limit) {
  if (auto literal = literalAddress(host, ipVersion)) return literal;
  const std::optional<LookupAnswer> answer =
      lookUpWithin(text::utf16ToUtf8(host), familyOf(ipVersion), limit);
  if (!answer) return std::nullopt;
  return addressOf(*answer);
}

std::u16string SocketStack::hostByName(std::u16string_view host, IpVersion ipVersion) {
  return addressOf(lookUp(text::utf16ToUtf8(host), familyOf(ipVersion)));
}

std::optional<std::u16string> SocketStack::literalAddress(std::u16string_view host,
                                                          IpVersion ipVersion) {
  checkIpVersion(ipVersion);
  if (ipVersion == IpVersion::V4) {
    if (equalsIgnoringAsciiCase(host, u"LOCALHOST")) return u"127.0.0.1";
    if (isIP(host)) return std::u16string(host);
    return std::nullopt;
  }
  if (equalsIgnoringAsciiCase(host, u"LOCALHOST")) return u"::1";
  in6_addr address{};
  if (inet_pton(AF_INET6, text::utf16ToUtf8(host).c_str(), &address) == 1) {
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &address, text, sizeof text);
    return text::latin1ToUtf16(text);
  }
  return std::nullopt;
}

std::u16string SocketStack::addressOf(const LookupAnswer& answer) {
  if (answer.resultCode != 0) {
    lastErrorNumber = socketErrorFromResolver(answer.resultCode, answer.errnoValue);
    raiseSocketError(lastErrorNumber);
  }
  if (!answer.hasAddress) raiseSocketError(11001);
  return readAddress(answer.address).ip;
}

bool SocketStack::isIP(std::u16string_view text) { return ipv4Parts(text).has_value(); }

int SocketStack::lastError() { return lastErrorNumber; }

void SocketStack::raiseLastSocketError() { raiseSocketError(lastErrorNumber); }

int SocketStack::checkForSocketError(int result) {
  if (result == -1) raiseLastSocketError();
  return result;
}

int SocketStack::checkForSocketError(int result, std::initializer_list<int> ignored) {
  if (result != -1) return result;
  if (std::find(ignored.begin(), ignored.end(), lastErrorNumber) != ignored.end()) {
    return lastErrorNumber;
  }
  raiseLastSocketError();
}

}  // namespace http
