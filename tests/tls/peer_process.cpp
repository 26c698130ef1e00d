#include "peer_process.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <stdexcept>

namespace tls_test {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

PeerProcess::PeerProcess(const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  output_ = pipeEnds[0];
  if (failed != 0) {
    ::close(output_);
    throw std::runtime_error("cannot start " + arguments[0]);
  }
}

PeerProcess::~PeerProcess() {
  ::kill(pid_, SIGTERM);
  // The pipe reaches its end when the process has gone; give it a bounded while.
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  char buffer[4096];
  for (;;) {
    pollfd entry{output_, POLLIN, 0};
    if (::poll(&entry, 1, remainingMs(deadline)) <= 0) {
      ::kill(pid_, SIGKILL);
      break;
    }
    if (::read(output_, buffer, sizeof(buffer)) <= 0) break;
  }
  ::close(output_);
  int status = 0;
  ::waitpid(pid_, &status, 0);
}

std::string PeerProcess::readLine(int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (const auto end = pending_.find('\n'); end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return line;
    }
    pollfd entry{output_, POLLIN, 0};
    char buffer[4096];
    if (ended_ || ::poll(&entry, 1, remainingMs(deadline)) <= 0) break;
    const auto count = ::read(output_, buffer, sizeof(buffer));
    if (count <= 0) {
      ended_ = true;
      break;
    }
    pending_.append(buffer, static_cast<std::size_t>(count));
  }
  ADD_FAILURE() << "the peer said nothing more (buffered: " << pending_ << ")";
  return {};
}

std::string PeerProcess::waitFor(const std::string& prefix, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::string line = readLine(remainingMs(deadline));
    if (line.starts_with(prefix)) return line.substr(prefix.size());
    if (line.empty() && (ended_ || remainingMs(deadline) == 0)) return {};
  }
}

}  // namespace tls_test
