// A name lookup against a resolver that never answers, in a private mount and network namespace
// whose resolv.conf points at a silent server on its own loopback: nothing leaves the machine.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "http/http_client.h"
#include "http/transport/connection_errors.h"
#include "text/utf8_codec.h"

namespace {

// Why the namespace could not be made, or empty when it stands.
std::string enterSilentResolverNamespace() {
  if (::unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) return "unshare: " + std::string(strerror(errno));
  if (::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return "private mounts";
  char path[] = "/tmp/zedez-resolv-XXXXXX";
  const int file = ::mkstemp(path);
  if (file < 0) return "mkstemp";
  const std::string conf = "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n";
  const bool written = ::write(file, conf.data(), conf.size()) == static_cast<ssize_t>(conf.size());
  ::close(file);
  const bool bound = written && ::mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
  ::unlink(path);
  if (!bound) return "bind mount over /etc/resolv.conf";
  const int control = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq loopback{};
  std::strncpy(loopback.ifr_name, "lo", IFNAMSIZ - 1);
  loopback.ifr_flags = IFF_UP | IFF_LOOPBACK | IFF_RUNNING;
  if (::ioctl(control, SIOCSIFFLAGS, &loopback) != 0) return "loopback up";
  ::close(control);
  // The silent resolver: queries arrive and are never read.
  const int resolver = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(53);
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::bind(resolver, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return "bind 127.0.0.1:53";
  }
  return {};
}

// In the child: a request with a deadline of deadlineMs to a name; the outcome as one line.
std::string requestByName(int deadlineMs) {
  if (std::string failure = enterSilentResolverNamespace(); !failure.empty()) {
    return "no namespace: " + failure;
  }
  http::HttpClient client;
  client.setConnectTimeout(3000);
  client.setReadTimeout(10000);
  client.setDeadline(deadlineMs);
  const auto started = std::chrono::steady_clock::now();
  std::string outcome;
  try {
    http::MemoryStream body;
    client.get(u"http://register.shop.example/api/state", body);
    outcome = "answered";
  } catch (const http::NetError& error) {
    outcome = std::string(error.className()) + ": " + text::utf16ToUtf8(error.message());
  }
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - started);
  return std::to_string(elapsed.count()) + " " + outcome;
}

// Runs requestByName in a child process and returns its line, waiting at most boundMs; the
// child is killed and reaped whatever happens.
std::string inChild(int deadlineMs, int boundMs) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return "pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeEnds[0]);
    const std::string line = requestByName(deadlineMs);
    const ssize_t ignored = ::write(pipeEnds[1], line.data(), line.size());
    static_cast<void>(ignored);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  std::string line;
  pollfd entry{pipeEnds[0], POLLIN, 0};
  if (::poll(&entry, 1, boundMs) > 0) {
    char buffer[512];
    for (ssize_t count; (count = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
      line.append(buffer, static_cast<std::size_t>(count));
    }
  } else {
    line = "no answer within " + std::to_string(boundMs) + " ms";
  }
  ::close(pipeEnds[0]);
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  return line;
}

}  // namespace

TEST(NameLookupTest, SilentResolverEndsAtTheRequestDeadline) {
  const std::string line = inChild(1500, 20000);
  ASSERT_FALSE(line.starts_with("no ")) << line;
  const long elapsed = std::stol(line);
  EXPECT_NE(line.find("DeadlineError: Request did not finish within 1.5 s"), std::string::npos)
      << line;
  EXPECT_GE(elapsed, 1400) << line;
  EXPECT_LT(elapsed, 3000) << line;
}
