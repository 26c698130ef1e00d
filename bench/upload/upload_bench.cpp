// Posting a body to a loopback sink through HttpClient, against curl posting the same bytes to
// the same sink: the firmware image and a 64 MiB body.
//
// Both post from a process of their own that reads the body from the same file first: this
// program run again with --post for ours, curl for the peer, so that neither shares the sink's
// process. The two alternate round by round, and the sink times both with one clock: from
// accepting the connection to the last byte of the body. That leaves out what only one side has
// (process start, reading the file, set-up) and what neither controls (the reply and the
// close). Each side's own view is shown beside it: ours around post(), curl's time_total, and
// each whole process as this program sees it.
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
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "app/core/firmware_image.h"
#include "http/http_client.h"
#include "http/stream.h"
#include "text/utf8_codec.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// What the sink saw of one upload.
struct Transfer {
  long long bodyBytes = 0;
  double ms = 0;  // from the accepted connection to the last body byte
};

// Accepts connections one after another, reads one request with a Content-Length body,
// answers 200 and closes.
class Sink {
 public:
  Sink() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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
  // The last upload; complete once its client has read the reply.
  [[nodiscard]] Transfer last() const {
    const std::lock_guard guard(mutex_);
    return last_;
  }

 private:
  void serve() {
    std::vector<char> buffer(1 << 20);  // large receives, so that the sink is not what limits
    while (!stopping_) {
      const int peer = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (peer < 0) return;
      const auto accepted = Clock::now();
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
      {
        const std::lock_guard guard(mutex_);
        last_ = {body, msBetween(accepted, Clock::now())};
      }
      const std::string reply =
          "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nOK";
      send(peer, reply.data(), reply.size(), MSG_NOSIGNAL);
      close(peer);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  Transfer last_;
  std::thread thread_;
};

// min, median and max of a set of samples.
struct Spread {
  double min = 0;
  double median = 0;
  double max = 0;
};

Spread spreadOf(std::vector<double> samples) {
  std::sort(samples.begin(), samples.end());
  return {samples.front(), samples[samples.size() / 2], samples.back()};
}

std::string url(const Sink& sink) {
  return "http://127.0.0.1:" + std::to_string(sink.port()) + "/firmware?token=bench";
}

// Our post as the updater makes it, in this process: gives the seconds around post().
double postInThisProcess(const std::string& target, const std::filesystem::path& file) {
  std::vector<std::uint8_t> bytes(std::filesystem::file_size(file));
  std::ifstream(file, std::ios::binary)
      .read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  http::MemoryStream body(bytes);
  const auto start = Clock::now();
  http::HttpClient client;
  client.setConnectTimeout(60000);
  client.setReadTimeout(300000);
  (void)client.post(text::latin1ToUtf16(target), body);
  return msBetween(start, Clock::now()) / 1000.0;
}

struct PostTimes {
  double ownMs = 0;      // the poster's own measure: around post(), or curl's time_total
  double processMs = 0;  // the whole process, as this program sees it
};

// Runs a command that prints its own measure in seconds.
PostTimes runPoster(const std::string& command) {
  const auto start = Clock::now();
  FILE* poster = popen(command.c_str(), "r");
  if (poster == nullptr) return {};
  double own = 0;
  if (std::fscanf(poster, "%lf", &own) != 1) std::fprintf(stderr, "%s failed\n", command.c_str());
  pclose(poster);
  return {own * 1000.0, msBetween(start, Clock::now())};
}

PostTimes postWithClient(const Sink& sink, const std::filesystem::path& file) {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  return runPoster("'" + self + "' --post '" + url(sink) + "' " + file.string());
}

// "Expect:" keeps curl from announcing the body and waiting up to a second for a 100 Continue
// that the sink never sends.
PostTimes postWithCurl(const Sink& sink, const std::filesystem::path& file) {
  return runPoster("curl -s -o /dev/null -w '%{time_total}' -H 'Expect:' --data-binary @" +
                   file.string() + " '" + url(sink) + "'");
}

void checkBody(const Sink& sink, std::size_t size) {
  if (sink.last().bodyBytes != static_cast<long long>(size)) {
    std::fprintf(stderr, "short body: %lld of %zu bytes\n", sink.last().bodyBytes, size);
    std::exit(1);
  }
}

void printSpread(const char* label, const Spread& spread) {
  std::printf("    %-34s min %8.3f  median %8.3f  max %8.3f ms\n", label, spread.min, spread.median,
              spread.max);
}

void compare(const char* name, const std::vector<std::uint8_t>& bytes, int rounds) {
  const auto file = std::filesystem::temp_directory_path() / "zedez-upload-bench.bin";
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  const Sink sink;
  std::vector<double> oursAtSink;
  std::vector<double> curlAtSink;
  std::vector<double> oursOwn;
  std::vector<double> oursProcess;
  std::vector<double> curlTimeTotal;
  std::vector<double> curlProcess;
  // Round 0 warms both up and is not counted; then they alternate, each going first in turn.
  for (int round = 0; round <= rounds; ++round) {
    for (int turn = 0; turn < 2; ++turn) {
      const bool oursNow = (turn == 0) == (round % 2 == 0);
      const PostTimes times = oursNow ? postWithClient(sink, file) : postWithCurl(sink, file);
      checkBody(sink, bytes.size());
      if (round == 0) continue;
      (oursNow ? oursOwn : curlTimeTotal).push_back(times.ownMs);
      (oursNow ? oursProcess : curlProcess).push_back(times.processMs);
      (oursNow ? oursAtSink : curlAtSink).push_back(sink.last().ms);
    }
  }
  std::filesystem::remove(file);
  const Spread ours = spreadOf(oursAtSink);
  const Spread theirs = spreadOf(curlAtSink);
  std::printf("%s, %zu bytes, %d rounds each, interleaved\n", name, bytes.size(), rounds);
  printSpread("HttpClient, at the sink", ours);
  printSpread("curl, at the sink", theirs);
  printSpread("HttpClient, around post()", spreadOf(oursOwn));
  printSpread("curl, its time_total", spreadOf(curlTimeTotal));
  printSpread("HttpClient, whole process", spreadOf(oursProcess));
  printSpread("curl, whole process", spreadOf(curlProcess));
  std::printf("    ratio curl/ours at the sink: median %.2f, min %.2f\n\n",
              theirs.median / ours.median, theirs.min / ours.min);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string_view(argv[1]) == "--post") {
    std::printf("%.6f\n", postInThisProcess(argv[2], argv[3]));
    return 0;
  }
  const auto image = app::buildFirmwareImage();
  compare("firmware image", image->bytes(), 101);
  std::vector<std::uint8_t> large(64U << 20U);
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<std::uint8_t>(i * 131U);
  compare("64 MiB body", large, 21);
  return 0;
}
