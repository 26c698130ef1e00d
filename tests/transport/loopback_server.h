#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace transport_test {

// Owns one file descriptor.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(Fd&& other) noexcept : fd_(other.release()) {}
  Fd& operator=(Fd&& other) noexcept {
    if (this != &other) {
      reset();
      fd_ = other.release();
    }
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }

  [[nodiscard]] int get() const { return fd_; }
  [[nodiscard]] bool valid() const { return fd_ >= 0; }
  int release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_ = -1;
};

inline std::uint16_t localPort(int fd) {
  sockaddr_in address{};
  socklen_t length = sizeof address;
  if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("getsockname failed");
  }
  return ntohs(address.sin_port);
}

// A TCP socket bound to 127.0.0.1 on a free port, listening when backlog >= 0.
inline Fd boundLoopbackSocket(int backlog) {
  Fd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (!fd.valid()) throw std::runtime_error("socket failed");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("bind failed");
  }
  if (backlog >= 0 && ::listen(fd.get(), backlog) != 0) throw std::runtime_error("listen failed");
  return fd;
}

// The server's end of one accepted connection.
class Peer {
 public:
  explicit Peer(Fd fd) : fd_(std::move(fd)) {}

  void send(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t sent = ::send(fd_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) throw std::runtime_error("peer send failed");
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
  }
  // Receives until count bytes arrived or the client closed, waiting at most timeoutMs per
  // receive.
  std::string receive(std::size_t count, int timeoutMs = 5000) const {
    std::string bytes;
    std::vector<char> piece(65536);
    while (bytes.size() < count) {
      if (!waitReadable(timeoutMs)) throw std::runtime_error("peer receive timed out");
      const ssize_t got = ::recv(fd_.get(), piece.data(), piece.size(), 0);
      if (got <= 0) break;
      bytes.append(piece.data(), static_cast<std::size_t>(got));
    }
    return bytes;
  }
  // Everything until the client closes.
  std::string receiveAll(int timeoutMs = 5000) const { return receive(SIZE_MAX, timeoutMs); }
  // True when something (data or a close) is waiting now.
  [[nodiscard]] bool pending() const { return waitReadable(0); }
  // Sends a reset instead of a normal close.
  void abort() {
    const linger option{1, 0};
    ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &option, sizeof option);
    fd_.reset();
  }
  void close() { fd_.reset(); }
  [[nodiscard]] int fd() const { return fd_.get(); }

 private:
  [[nodiscard]] bool waitReadable(int timeoutMs) const {
    pollfd entry{fd_.get(), POLLIN, 0};
    return ::poll(&entry, 1, timeoutMs) > 0;
  }
  Fd fd_;
};

// A listener on 127.0.0.1 with a free port.
class LoopbackServer {
 public:
  LoopbackServer() : listener_(boundLoopbackSocket(16)), port_(localPort(listener_.get())) {}

  [[nodiscard]] std::uint16_t port() const { return port_; }

  // Accepts one connection, waiting at most timeoutMs.
  [[nodiscard]] Peer accept(int timeoutMs = 5000) const {
    pollfd entry{listener_.get(), POLLIN, 0};
    if (::poll(&entry, 1, timeoutMs) <= 0) throw std::runtime_error("no connection to accept");
    Fd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!fd.valid()) throw std::runtime_error("accept failed");
    return Peer(std::move(fd));
  }

 private:
  Fd listener_;
  std::uint16_t port_;
};

// A listener whose accept queue is full, so that it drops further connection attempts: a
// loopback stand-in for a host that does not answer.
class FullListener {
 public:
  FullListener() : listener_(boundLoopbackSocket(0)), port_(localPort(listener_.get())) {
    // Fill the queue until an attempt stays pending; a bounded number of tries.
    for (int attempt = 0; attempt < 8; ++attempt) {
      Fd filler(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      address.sin_port = htons(port_);
      ::connect(filler.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
      pollfd entry{filler.get(), POLLOUT, 0};
      const bool completed = ::poll(&entry, 1, 300) > 0;
      fillers_.push_back(std::move(filler));
      if (!completed) return;
    }
    throw std::runtime_error("could not fill the accept queue");
  }

  [[nodiscard]] std::uint16_t port() const { return port_; }

 private:
  Fd listener_;
  std::uint16_t port_;
  std::vector<Fd> fillers_;
};

// A loopback port on which nothing listens (kept bound, so nobody else takes it).
class ClosedPort {
 public:
  ClosedPort() : socket_(boundLoopbackSocket(-1)), port_(localPort(socket_.get())) {}
  [[nodiscard]] std::uint16_t port() const { return port_; }

 private:
  Fd socket_;
  std::uint16_t port_;
};

// Milliseconds elapsed since a start.
class Stopwatch {
 public:
  [[nodiscard]] long long elapsedMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
  }

 private:
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

}  // namespace transport_test
