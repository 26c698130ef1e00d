// Random bytes as a server's reply: a loopback server thread answers every request of the
// client with the input and closes; the client reads it as a GET, HEAD or text POST.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "http/http_client.h"

namespace {

// A stream that is not a memory stream, so that bodies collected for the charset rules are
// copied out at the end.
class ForwardStream final : public http::Stream {
 public:
  [[nodiscard]] std::int64_t size() const override { return inner_.size(); }
  void setSize(std::int64_t newSize) override { inner_.setSize(newSize); }
  [[nodiscard]] std::int64_t position() const override { return inner_.position(); }
  void setPosition(std::int64_t newPosition) override { inner_.setPosition(newPosition); }
  std::size_t read(std::span<std::uint8_t> target) override { return inner_.read(target); }
  void write(std::span<const std::uint8_t> source) override { inner_.write(source); }

 private:
  http::MemoryStream inner_;
};

class ReplyServer {
 public:
  ReplyServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(listener_, 64) != 0) {
      std::abort();
    }
    socklen_t length = sizeof local;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.sin_port);
    std::thread([this] { run(); }).detach();
  }

  [[nodiscard]] std::uint16_t port() const { return port_; }

  void setReply(const std::uint8_t* data, std::size_t size) {
    const std::lock_guard lock(mutex_);
    reply_.assign(reinterpret_cast<const char*>(data), size);
  }

 private:
  void run() {
    for (;;) {
      const int socket = ::accept(listener_, nullptr, nullptr);
      if (socket < 0) continue;
      answer(socket);
      ::close(socket);
    }
  }

  // Reads the request's header block (the client sends no body here), then sends the reply.
  void answer(int socket) {
    std::string request;
    std::array<char, 4096> chunk{};
    while (request.find("\r\n\r\n") == std::string::npos) {
      pollfd wait{socket, POLLIN, 0};
      if (::poll(&wait, 1, 5000) <= 0) return;
      const ssize_t count = ::recv(socket, chunk.data(), chunk.size(), 0);
      if (count <= 0) return;
      request.append(chunk.data(), static_cast<std::size_t>(count));
    }
    std::string reply;
    {
      const std::lock_guard lock(mutex_);
      reply = reply_;
    }
    std::size_t sent = 0;
    while (sent < reply.size()) {
      const ssize_t count = ::send(socket, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
      if (count <= 0) return;
      sent += static_cast<std::size_t>(count);
    }
    ::shutdown(socket, SHUT_WR);
    // Let the client finish reading before the socket goes away.
    pollfd wait{socket, POLLIN, 0};
    while (::poll(&wait, 1, 5000) > 0 && ::recv(socket, chunk.data(), chunk.size(), 0) > 0) {
    }
  }

  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::mutex mutex_;
  std::string reply_;
};

ReplyServer& server() {
  static ReplyServer* instance = new ReplyServer();  // lives for the whole process
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t mode = data[0];
  server().setReply(data + 1, size - 1);
  const std::string text = "http://127.0.0.1:" + std::to_string(server().port()) + "/fuzz";
  const std::u16string url(text.begin(), text.end());

  http::HttpClient client;
  client.setReadTimeout(2000);
  client.setConnectTimeout(2000);
  http::HttpOptions options{http::HttpOption::ForceEncodeParams};
  if ((mode & 4U) != 0) {
    options.include(http::HttpOption::NoProtocolErrorException);
    options.include(http::HttpOption::WantProtocolErrorContent);
  }
  if ((mode & 8U) != 0) options.include(http::HttpOption::WaitForUnexpectedData);
  client.setOptions(options);
  try {
    switch (mode & 3U) {
      case 0: {
        http::MemoryStream body;
        client.get(url, body);
        break;
      }
      case 1: {
        ForwardStream body;
        client.get(url, body);
        break;
      }
      case 2: {
        http::MemoryStream body;
        client.doRequest(u"HEAD", url, nullptr, &body);
        break;
      }
      default: {
        http::MemoryStream source;
        (void)client.post(url, source);
        break;
      }
    }
  } catch (const http::Error&) {
    // Every failure of a bad reply is one of the library's own errors.
  }
  client.disconnect(false);
  return 0;
}
