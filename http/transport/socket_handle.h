#pragma once

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

#include "http/transport/socket_stack.h"

namespace http {

// One socket with its local and peer address; an I/O handler's binding, reused across
// connects. Its lock guards the close and the address update after a connect, so that a close
// from another thread and a completing connect do not interleave.
class SocketHandle {
 public:
  SocketHandle() = default;
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  ~SocketHandle();

  [[nodiscard]] int handle() const noexcept { return handle_; }
  [[nodiscard]] bool handleAllocated() const noexcept { return handleAllocated_; }
  [[nodiscard]] int socketType() const noexcept { return socketType_; }

  // Local side: the address to bind to before a connect, and what it was afterwards.
  [[nodiscard]] const std::u16string& ip() const noexcept { return ip_; }
  void setIP(std::u16string ip) { ip_ = std::move(ip); }
  [[nodiscard]] std::uint16_t port() const noexcept { return port_; }
  void setPort(std::uint16_t port) noexcept { port_ = port; }
  [[nodiscard]] std::uint16_t clientPortMin() const noexcept { return clientPortMin_; }
  void setClientPortMin(std::uint16_t port) noexcept { clientPortMin_ = port; }
  [[nodiscard]] std::uint16_t clientPortMax() const noexcept { return clientPortMax_; }
  void setClientPortMax(std::uint16_t port) noexcept { clientPortMax_ = port; }
  [[nodiscard]] ReuseSocket reuseSocket() const noexcept { return reuseSocket_; }
  void setReuseSocket(ReuseSocket reuse) noexcept { reuseSocket_ = reuse; }

  // Peer side.
  [[nodiscard]] const std::u16string& peerIP() const noexcept { return peerIP_; }
  [[nodiscard]] std::uint16_t peerPort() const noexcept { return peerPort_; }
  void setPeer(std::u16string ip, std::uint16_t port, IpVersion ipVersion);

  [[nodiscard]] IpVersion ipVersion() const noexcept { return ipVersion_; }
  // Raises IpVersionChangeError when a socket is held and the version differs.
  void setIPVersion(IpVersion ipVersion);

  // True while TCP_NODELAY is off. Only a change of value touches the socket.
  [[nodiscard]] bool useNagle() const noexcept { return useNagle_; }
  void setUseNagle(bool useNagle);

  // Closes any held socket, then creates a new one for the current IP version.
  void allocateSocket(int socketType, int protocol = 0);
  // Sets SO_REUSEADDR (1 only for ReuseSocket::Yes), binds to ip()/port() (or the client port
  // range), and reads the local address back.
  void bind();
  // Blocking connect to the peer, then reads both addresses back under the lock.
  void connect();
  // Connect that gives up after timeoutMs (> 0): returns false then, leaving the socket open.
  bool connectWithin(int timeoutMs);

  // Data or an end of stream can be read within timeoutMs (< 0: no limit, 0: poll). Raises
  // ConnectionClosedError when no socket is held.
  bool readable(int timeoutMs);
  bool select(int timeoutMs) { return readable(timeoutMs); }
  int receive(std::span<std::uint8_t> buffer);
  // Without waiting: -1 when nothing can be received right now.
  int receiveNow(std::span<std::uint8_t> buffer);
  int send(std::span<const std::uint8_t> bytes);
  // Without waiting: -1 when the socket takes nothing right now.
  int sendNow(std::span<const std::uint8_t> bytes);
  // The socket takes more bytes (or has failed) within timeoutMs (< 0: no limit, 0: poll).
  bool writable(int timeoutMs);

  // Shuts down the sending side and closes; does nothing without a socket. Thread-safe.
  void closeSocket() noexcept;
  // Forgets the socket (without closing it) and the peer; with resetLocal also the local side.
  void reset(bool resetLocal = true);
  void updateBindingLocal();
  void updateBindingPeer();

 private:
  void setHandle(int handle);

  std::mutex lock_;
  int handle_ = kInvalidSocket;
  bool handleAllocated_ = false;
  int socketType_ = 0;
  std::u16string ip_;
  std::uint16_t port_ = 0;
  std::u16string peerIP_;
  std::uint16_t peerPort_ = 0;
  IpVersion ipVersion_ = IpVersion::V4;
  bool useNagle_ = true;
  ReuseSocket reuseSocket_ = ReuseSocket::OsDependent;
  std::uint16_t clientPortMin_ = 0;
  std::uint16_t clientPortMax_ = 0;
  SocketStackUser stack_;
};

}  // namespace http
