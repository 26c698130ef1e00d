#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace http_test {

// One scripted answer: the bytes sent back for one request, and whether the server closes
// the connection afterwards. Empty bytes without close make the server fall silent until the
// client closes or the server is destroyed.
struct ScriptedReply {
  std::string bytes;
  bool close = true;
};

// A request as received, byte for byte, with the number of the connection it came on.
struct RecordedRequest {
  std::string bytes;
  int connection = 0;
};

// A loopback HTTP server that answers each request it receives with the next scripted reply
// and records what it received. Requests are framed by their header block and Content-Length.
class ScriptedServer {
 public:
  // port 0 picks a free port.
  explicit ScriptedServer(std::string address = "127.0.0.1", std::uint16_t port = 0);
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;
  ~ScriptedServer();

  [[nodiscard]] std::uint16_t port() const { return port_; }
  [[nodiscard]] const std::string& address() const { return address_; }
  [[nodiscard]] std::u16string url(const std::string& path) const;

  void addReply(std::string bytes, bool close = true);
  [[nodiscard]] std::vector<RecordedRequest> requests() const;
  [[nodiscard]] int connections() const { return connections_.load(); }

 private:
  void run();
  void serve(int socket, int connection);
  bool nextReply(ScriptedReply& reply);

  std::string address_;
  std::uint16_t port_ = 0;
  int listener_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::atomic<int> connections_{0};
  mutable std::mutex mutex_;
  std::deque<ScriptedReply> replies_;
  std::vector<RecordedRequest> requests_;
  std::thread thread_;
};

}  // namespace http_test
