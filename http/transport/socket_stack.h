#pragma once

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace http {

struct LookupAnswer;

enum class IpVersion { V4, V6 };

enum class ReuseSocket { OsDependent, Yes, No };

inline constexpr int kInvalidSocket = -1;

// An address as read back from a socket.
struct SocketAddress {
  std::u16string ip;
  std::uint16_t port = 0;
  IpVersion ipVersion = IpVersion::V4;
};

// The process-wide socket layer: thin wrappers over the POSIX calls that turn every failure
// into a SocketError with a Winsock-style number. It exists while at least one user holds it
// (see SocketStackUser); creation and release run under one process-wide lock.
class SocketStack {
 public:
  SocketStack(const SocketStack&) = delete;
  SocketStack& operator=(const SocketStack&) = delete;

  // Adds or removes a user; the first user creates the stack and the last one frees it.
  static void addUser();
  static void removeUser();
  [[nodiscard]] static int usageCount();
  // The live instance; raises SocketStackError when there is none.
  static SocketStack& instance();

  // Creates a socket for the family of ipVersion; raises the last error on failure.
  int newSocketHandle(int socketType, int protocol, IpVersion ipVersion);
  // Binds to ip (empty = any address) and port.
  void bind(int socket, std::u16string_view ip, std::uint16_t port, IpVersion ipVersion);
  // Blocking connect to a dotted address.
  void connect(int socket, std::u16string_view ip, std::uint16_t port, IpVersion ipVersion);
  // Connect that waits at most timeoutMs (> 0). Returns false when the time ran out (the caller
  // closes the socket); the connect's own failure raises as in connect().
  bool connectWithin(int socket, std::u16string_view ip, std::uint16_t port, IpVersion ipVersion,
                     int timeoutMs);
  // One receive of up to buffer.size() bytes; 0 = the peer closed. Failures raise.
  int receive(int socket, std::span<std::uint8_t> buffer);
  // As receive(), without waiting: -1 when nothing can be received right now.
  int receiveNow(int socket, std::span<std::uint8_t> buffer);
  // One send; returns the count the system took. Never raises SIGPIPE. Failures raise.
  int send(int socket, std::span<const std::uint8_t> bytes);
  // As send(), without waiting: -1 when the socket takes nothing right now.
  int sendNow(int socket, std::span<const std::uint8_t> bytes);
  // Shuts the sending side down, then closes; never raises.
  void disconnect(int socket) noexcept;
  // Waits until the socket has data or an end of stream to read; timeoutMs < 0 waits forever,
  // 0 polls.
  bool readable(int socket, int timeoutMs);
  // Waits until the socket takes more bytes to send (or has failed); as readable() otherwise.
  bool writable(int socket, int timeoutMs);

  SocketAddress getSocketName(int socket);
  SocketAddress getPeerName(int socket);
  void setSocketOption(int socket, int level, int name, std::int32_t value);
  std::int32_t getSocketOption(int socket, int level, int name);

  // "LOCALHOST" (any case) and address literals without a lookup, anything else by name.
  std::u16string resolveHost(std::u16string_view host, IpVersion ipVersion);
  // As resolveHost(), but a lookup by name that has not answered within limit is given up:
  // nothing then.
  std::optional<std::u16string> resolveHostWithin(std::u16string_view host, IpVersion ipVersion,
                                                  std::chrono::milliseconds limit);
  // Dotted text of the first lookup result; an unknown name raises SocketError 11001.
  std::u16string hostByName(std::u16string_view host, IpVersion ipVersion);
  // True for a dotted IPv4 literal of four decimal parts 0..255.
  [[nodiscard]] static bool isIP(std::u16string_view text);

  // The Winsock-style number of the last failing call on this thread.
  [[nodiscard]] static int lastError();
  [[noreturn]] static void raiseLastSocketError();
  // -1 raises the last error; anything else passes through.
  static int checkForSocketError(int result);
  // -1 returns the last error number when it is one of ignored, else raises.
  static int checkForSocketError(int result, std::initializer_list<int> ignored);

 private:
  SocketStack() = default;
  ~SocketStack() = default;

  // The address for "LOCALHOST" and address literals; nothing for a name to look up.
  static std::optional<std::u16string> literalAddress(std::u16string_view host,
                                                      IpVersion ipVersion);
  // The lookup's address as dotted text; its failure raises SocketError.
  static std::u16string addressOf(const LookupAnswer& answer);
};

// Holds the socket stack for the lifetime of its owner.
class SocketStackUser {
 public:
  SocketStackUser() { SocketStack::addUser(); }
  // A copy is one more user; assignment changes nothing.
  SocketStackUser(const SocketStackUser& /*other*/) : SocketStackUser() {}
  SocketStackUser& operator=(const SocketStackUser& /*other*/) = default;
  ~SocketStackUser() { SocketStack::removeUser(); }
};

}  // namespace http
