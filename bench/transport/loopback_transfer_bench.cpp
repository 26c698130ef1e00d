// Moves 256 MiB over loopback each way: through the connection's Write(stream) and ReadStream,
// and through a plain send/recv loop of the same 32768-byte piece size. The far end of the
// connection is the same plain loop in both cases, so the ratio shows what the connection
// layer costs.

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>
#include <vector>

#include "http/base/stream.h"
#include "http/transport/tcp_client.h"

namespace {

constexpr std::int64_t kTransferSize = std::int64_t{256} << 20;
constexpr std::size_t kPieceSize = 32768;

// Yields kTransferSize bytes of a repeating pattern without holding them all.
class PatternSource final : public http::Stream {
 public:
  PatternSource() : block_(kPieceSize) {
    for (std::size_t i = 0; i < block_.size(); ++i) block_[i] = static_cast<std::uint8_t>(i * 13);
  }
  [[nodiscard]] std::int64_t size() const override { return kTransferSize; }
  void setSize(std::int64_t) override {}
  [[nodiscard]] std::int64_t position() const override { return position_; }
  void setPosition(std::int64_t newPosition) override { position_ = newPosition; }
  std::size_t read(std::span<std::uint8_t> target) override {
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(
        static_cast<std::int64_t>(target.size()), kTransferSize - position_));
    const std::size_t offset = static_cast<std::size_t>(position_) % block_.size();
    const std::size_t first = std::min(count, block_.size() - offset);
    std::memcpy(target.data(), block_.data() + offset, first);
    if (count > first) std::memcpy(target.data() + first, block_.data(), count - first);
    position_ += static_cast<std::int64_t>(count);
    return count;
  }
  void write(std::span<const std::uint8_t>) override {}

 private:
  std::vector<std::uint8_t> block_;
  std::int64_t position_ = 0;
};

// Takes bytes and only counts them.
class CountingSink final : public http::Stream {
 public:
  [[nodiscard]] std::int64_t size() const override { return position_; }
  void setSize(std::int64_t) override {}
  [[nodiscard]] std::int64_t position() const override { return position_; }
  void setPosition(std::int64_t newPosition) override { position_ = newPosition; }
  std::size_t read(std::span<std::uint8_t>) override { return 0; }
  void write(std::span<const std::uint8_t> source) override {
    position_ += static_cast<std::int64_t>(source.size());
  }

 private:
  std::int64_t position_ = 0;
};

int listenOnLoopback(std::uint16_t& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("cannot listen on loopback");
  }
  port = ntohs(address.sin_port);
  return fd;
}

int acceptOne(int listener) {
  pollfd entry{listener, POLLIN, 0};
  if (::poll(&entry, 1, 10000) <= 0) throw std::runtime_error("nothing to accept");
  return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
}

int connectTo(std::uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    throw std::runtime_error("cannot connect on loopback");
  }
  return fd;
}

void plainSend(int fd, std::int64_t total) {
  std::vector<std::uint8_t> piece(kPieceSize, 0x5A);
  while (total > 0) {
    const auto count = static_cast<std::size_t>(std::min<std::int64_t>(total, kPieceSize));
    std::size_t sent = 0;
    while (sent < count) {
      const ssize_t result = ::send(fd, piece.data() + sent, count - sent, MSG_NOSIGNAL);
      if (result <= 0) throw std::runtime_error("send failed");
      sent += static_cast<std::size_t>(result);
    }
    total -= static_cast<std::int64_t>(count);
  }
}

void plainReceive(int fd, std::int64_t total) {
  std::vector<std::uint8_t> piece(kPieceSize);
  while (total > 0) {
    const ssize_t result = ::recv(fd, piece.data(), piece.size(), 0);
    if (result <= 0) throw std::runtime_error("recv failed");
    total -= result;
  }
}

using Clock = std::chrono::steady_clock;

// Seconds for kTransferSize bytes up and then down through the connection.
double transferThroughConnection(int listener, std::uint16_t port, int readTimeout) {
  http::TcpClient client;
  client.setReadTimeout(readTimeout);
  client.connect(u"127.0.0.1", port);
  const int peer = acceptOne(listener);
  PatternSource source;
  CountingSink sink;
  const auto started = Clock::now();
  std::thread far([&] {
    plainReceive(peer, kTransferSize);
    plainSend(peer, kTransferSize);
  });
  client.ioHandler()->write(source);
  client.ioHandler()->readStream(sink, kTransferSize);
  far.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  ::close(peer);
  if (sink.size() != kTransferSize) throw std::runtime_error("short transfer");
  return seconds;
}

// The same with a plain send/recv loop in place of the connection.
double transferThroughPlainLoop(int listener, std::uint16_t port) {
  const int fd = connectTo(port);
  const int peer = acceptOne(listener);
  const auto started = Clock::now();
  std::thread far([&] {
    plainReceive(peer, kTransferSize);
    plainSend(peer, kTransferSize);
  });
  plainSend(fd, kTransferSize);
  plainReceive(fd, kTransferSize);
  far.join();
  const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
  ::close(peer);
  ::close(fd);
  return seconds;
}

void BM_LoopbackTransfer(benchmark::State& state) {
  std::uint16_t port = 0;
  const int listener = listenOnLoopback(port);
  const auto readTimeout = static_cast<int>(state.range(0));
  double connectionSeconds = 0;
  double plainSeconds = 0;
  for (auto _ : state) {
    // Alternate which goes first, so that drift of the machine hits both alike.
    if (state.iterations() % 2 == 0) {
      connectionSeconds += transferThroughConnection(listener, port, readTimeout);
      plainSeconds += transferThroughPlainLoop(listener, port);
    } else {
      plainSeconds += transferThroughPlainLoop(listener, port);
      connectionSeconds += transferThroughConnection(listener, port, readTimeout);
    }
  }
  ::close(listener);
  const double mib = 2.0 * static_cast<double>(kTransferSize) / (1 << 20) *
                     static_cast<double>(state.iterations());
  state.counters["connection_MiB_per_s"] = mib / connectionSeconds;
  state.counters["plain_loop_MiB_per_s"] = mib / plainSeconds;
  state.counters["ratio"] = plainSeconds / connectionSeconds;
}

// Argument: the connection's ReadTimeout (-1: no limit, the default; 300000: the upload's).
BENCHMARK(BM_LoopbackTransfer)
    ->ArgName("read_timeout")
    ->Arg(-1)
    ->Arg(300000)
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
