#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace testsupport {

// A process started by a test, with its standard output readable line by line under a time
// limit and its standard input on a pipe that closes when the process is stopped (a peer that
// reads its input to the end then knows to finish). It is stopped and reaped when the object
// goes.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv);
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess();

  // The next line of standard output, without its line break; throws std::runtime_error when
  // none arrives within the limit or the output ends.
  std::string readLine(std::chrono::milliseconds limit);
  // Reads lines until one starts with prefix and returns the rest of that line; throws like
  // readLine when none comes within the limit.
  std::string waitFor(const std::string& prefix,
                      std::chrono::milliseconds limit = std::chrono::seconds(20));
  // Sends SIGTERM and waits at most the limit for the exit, then kills; returns the exit code
  // (128 + signal for a signal).
  int stop(std::chrono::milliseconds limit = std::chrono::seconds(5));
  [[nodiscard]] int pid() const { return pid_; }

 private:
  int pid_ = -1;
  int inFd_ = -1;
  int outFd_ = -1;
  std::string pending_;
  bool reaped_ = false;
  int exitCode_ = -1;
};

// The project's source folder, for starting its tools.
std::string sourceDir();

}  // namespace testsupport
