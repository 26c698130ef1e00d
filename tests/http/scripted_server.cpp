#include "scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <stdexcept>

namespace http_test {

namespace {

constexpr int kWaitMs = 15000;  // bound on every wait of the server thread

// Waits for one of the descriptors to become readable; false on time-out or wake-up.
bool waitReadable(int socket, int wake) {
  std::array<pollfd, 2> fds{pollfd{socket, POLLIN, 0}, pollfd{wake, POLLIN, 0}};
  const int ready = ::poll(fds.data(), fds.size(), kWaitMs);
  return ready > 0 && (fds[1].revents & POLLIN) == 0 && fds[0].revents != 0;
}

std::size_t contentLengthOf(const std::string& head) {
  std::string lower = head;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const std::size_t at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::stoul(head.substr(at + 17));
}

}  // namespace

ScriptedServer::ScriptedServer(std::string address, std::uint16_t port)
    : address_(std::move(address)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  const int one = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  ::inet_pton(AF_INET, address_.c_str(), &local.sin_addr);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::listen(listener_, 16) != 0) {
    const std::string reason = std::strerror(errno);
    ::close(listener_);
    throw std::runtime_error("scripted server cannot listen on " + address_ + ":" +
                             std::to_string(port) + ": " + reason);
  }
  socklen_t length = sizeof local;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
  port_ = ntohs(local.sin_port);
  if (::pipe(wakePipe_) != 0) throw std::runtime_error("pipe");
  thread_ = std::thread([this] { run(); });
}

ScriptedServer::~ScriptedServer() {
  const char byte = 0;
  (void)!::write(wakePipe_[1], &byte, 1);
  thread_.join();
  ::close(listener_);
  ::close(wakePipe_[0]);
  ::close(wakePipe_[1]);
}

std::u16string ScriptedServer::url(const std::string& path) const {
  const std::string text = "http://" + address_ + ":" + std::to_string(port_) + path;
  return {text.begin(), text.end()};
}

void ScriptedServer::addReply(std::string bytes, bool close) {
  const std::lock_guard lock(mutex_);
  replies_.push_back({std::move(bytes), close});
}

std::vector<RecordedRequest> ScriptedServer::requests() const {
  const std::lock_guard lock(mutex_);
  return requests_;
}

bool ScriptedServer::nextReply(ScriptedReply& reply) {
  const std::lock_guard lock(mutex_);
  if (replies_.empty()) return false;
  reply = std::move(replies_.front());
  replies_.pop_front();
  return true;
}

void ScriptedServer::run() {
  while (waitReadable(listener_, wakePipe_[0])) {
    const int socket = ::accept(listener_, nullptr, nullptr);
    if (socket < 0) continue;
    const int connection = ++connections_;
    serve(socket, connection);
    ::close(socket);
  }
}

void ScriptedServer::serve(int socket, int connection) {
  std::string received;
  std::array<char, 65536> chunk{};
  for (;;) {
    // One request: the header block, then Content-Length bytes.
    std::size_t headEnd = std::string::npos;
    std::size_t total = 0;
    for (;;) {
      headEnd = received.find("\r\n\r\n");
      if (headEnd != std::string::npos) {
        total = headEnd + 4 + contentLengthOf(received.substr(0, headEnd + 2));
        if (received.size() >= total) break;
      }
      if (!waitReadable(socket, wakePipe_[0])) return;
      const ssize_t count = ::recv(socket, chunk.data(), chunk.size(), 0);
      if (count <= 0) return;
      received.append(chunk.data(), static_cast<std::size_t>(count));
    }
    ScriptedReply reply;
    const bool haveReply = nextReply(reply);
    {
      const std::lock_guard lock(mutex_);
      requests_.push_back({received.substr(0, total), connection});
    }
    received.erase(0, total);
    if (!haveReply) return;
    if (reply.bytes.empty() && !reply.close) {
      waitReadable(socket, wakePipe_[0]);
      return;
    }
    std::size_t sent = 0;
    while (sent < reply.bytes.size()) {
      const ssize_t count =
          ::send(socket, reply.bytes.data() + sent, reply.bytes.size() - sent, MSG_NOSIGNAL);
      if (count <= 0) return;
      sent += static_cast<std::size_t>(count);
    }
    if (reply.close) return;
  }
}

}  // namespace http_test
