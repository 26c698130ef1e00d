#pragma once

#include <string>
#include <vector>

namespace tls_test {

// A counterpart process started by a test: its standard output is read line by line, each wait
// bounded. The destructor ends it (SIGTERM, then SIGKILL if it lingers) and reaps it.
class PeerProcess {
 public:
  explicit PeerProcess(const std::vector<std::string>& arguments);
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;
  ~PeerProcess();

  // The next line without its end; empty text (and a test failure) when none came in time.
  std::string readLine(int timeoutMs = 20000);
  // Reads lines until one starts with prefix and returns the rest of it.
  std::string waitFor(const std::string& prefix, int timeoutMs = 20000);

 private:
  int pid_ = -1;
  int output_ = -1;
  std::string pending_;
  bool ended_ = false;
};

}  // namespace tls_test
