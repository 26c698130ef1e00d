// Posting a body to a loopback sink through HttpClient, against curl --data-binary posting the
// same bytes to the same sink: the firmware image and a 64 MiB body.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/firmware_image.h"
#include "http/http_client.h"
#include "http/transport/stream.h"
#include "text/utf8_codec.h"

namespace {

using Clock = std::chrono::steady_clock;

// Accepts connections one after another, reads one request with a Content-Length body,
// answers 200 and closes.
class Sink {
 public:
  Sink() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 16);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  Sink(const Sink&) = delete;
  Sink& operator=(const Sink&) = delete;
  ~Sink() {
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    close(listener_);
    thread_.join();
  }
  [[nodiscard]] int port() const { return port_; }
  [[nodiscard]] long long lastBodyBytes() const { return lastBodyBytes_; }

 private:
  void serve() {
    std::vector<char> buffer(1 << 16);
    while (!stopping_) {
      const int peer = accept(listener_, nullptr, nullptr);
      if (peer < 0) return;
      std::string head;
      long long body = 0;
      long long expected = -1;
      for (;;) {
        const ssize_t count = recv(peer, buffer.data(), buffer.size(), 0);
        if (count <= 0) break;
        if (expected < 0) {
          head.append(buffer.data(), static_cast<std::size_t>(count));
          const auto end = head.find("\r\n\r\n");
          if (end == std::string::npos) continue;
          std::string lower = head.substr(0, end);
          std::transform(lower.begin(), lower.end(), lower.begin(),
                         [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
          const auto at = lower.find("content-length:");
          expected = at == std::string::npos ? 0 : std::atoll(lower.c_str() + at + 15);
          body = static_cast<long long>(head.size() - end - 4);
        } else {
          body += count;
        }
        if (body >= expected) break;
      }
      lastBodyBytes_ = body;
      const std::string reply =
          "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
      send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
      close(peer);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<long long> lastBodyBytes_{0};
  std::thread thread_;
};

double medianMs(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return samples[samples.size() / 2];
}

double postWithClient(const Sink& sink, http::MemoryStream& body) {
  const auto start = Clock::now();
  http::HttpClient client;
  client.setConnectTimeout(60000);
  client.setReadTimeout(300000);
  (void)client.post(text::latin1ToUtf16("http://127.0.0.1:" + std::to_string(sink.port()) +
                                        "/firmware?token=bench"),
                    body);
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// curl's own measure of the transfer (connect to reply), without its process start-up.
double postWithCurl(const Sink& sink, const std::filesystem::path& file) {
  const std::string command =
      "curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' --data-binary @" + file.string() +
      " 'http://127.0.0.1:" + std::to_string(sink.port()) + "/firmware?token=bench'";
  FILE* curl = popen(command.c_str(), "r");
  if (curl == nullptr) return 0;
  double seconds = 0;
  if (std::fscanf(curl, "%lf", &seconds) != 1) std::fprintf(stderr, "curl failed\n");
  pclose(curl);
  return seconds * 1000.0;
}

void compare(const char* name, const std::vector<std::uint8_t>& bytes, int rounds) {
  const auto file = std::filesystem::temp_directory_path() / "zedez-upload-bench.bin";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  http::MemoryStream body(bytes);
  Sink sink;
  std::vector<double> client;
  std::vector<double> curl;
  for (int i = 0; i < rounds; ++i) {
    client.push_back(postWithClient(sink, body));
    if (sink.lastBodyBytes() != static_cast<long long>(bytes.size()))
      std::fprintf(stderr, "short body\n");
    curl.push_back(postWithCurl(sink, file));
    if (sink.lastBodyBytes() != static_cast<long long>(bytes.size()))
      std::fprintf(stderr, "short body\n");
  }
  std::filesystem::remove(file);
  const double ours = medianMs(client);
  const double theirs = medianMs(curl);
  std::printf("%-16s %10zu bytes  HttpClient %8.2f ms  curl %8.2f ms  ratio (curl/ours) %.2f\n",
              name, bytes.size(), ours, theirs, theirs / ours);
}

}  // namespace

int main() {
  const auto image = app::buildFirmwareImage();
  compare("firmware image", image->bytes(), 15);
  std::vector<std::uint8_t> large(64U << 20U);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 131U);
  compare("64 MiB body", large, 7);
  return 0;
}
