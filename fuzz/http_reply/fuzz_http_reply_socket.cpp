// Random bytes as a server's reply over a real loopback connection, in one thread: as soon as
// the client is connected, the listener's pending connection is accepted, the input is written
// to it whole and its sending side is shut. The first byte chooses the request.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "reply_requests.h"

namespace {

// Replies this small fit the socket buffers and go out in one send without waiting.
constexpr std::size_t kMaxReply = 16384;

struct Listener {
  Listener() {
    fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof local;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
      std::abort();
    }
    const std::string text = "http://127.0.0.1:" + std::to_string(ntohs(local.sin_port)) + "/fuzz";
    url.assign(text.begin(), text.end());
  }
  int fd = -1;
  std::u16string url;
};

const Listener& listener() {
  static const Listener* instance = new Listener();  // lives for the whole process
  return *instance;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > kMaxReply + 1) return 0;
  const std::string_view reply(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<int> accepted;
  http::HttpClient client;
  client.onConnected = [&] {
    const int socket = ::accept4(listener().fd, nullptr, nullptr, SOCK_CLOEXEC);
    if (socket < 0) return;
    accepted.push_back(socket);
    (void)::send(socket, reply.data(), reply.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(socket, SHUT_WR);
  };
  fuzz_reply::requestWithMode(client, listener().url, data[0]);
  // Closed only now: a close with the request unread would reset the client's connection.
  for (const int socket : accepted) ::close(socket);
  return 0;
}
