#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <stdexcept>

extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace testsupport {
namespace {

using Clock = std::chrono::steady_clock;

int remainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
  int pipeFds[2];
  int inputFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  if (pipe2(inputFds, O_CLOEXEC) != 0) {
    close(pipeFds[0]);
    close(pipeFds[1]);
    throw std::runtime_error("pipe failed");
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inputFds[0], STDIN_FILENO);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::vector<char*> args;
  args.reserve(argv.size() + 1);
  for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  close(inputFds[0]);
  if (rc != 0) {
    close(pipeFds[0]);
    close(inputFds[1]);
    throw std::runtime_error("cannot start " + argv.front());
  }
  outFd_ = pipeFds[0];
  inFd_ = inputFds[1];
}

ChildProcess::~ChildProcess() {
  if (!reaped_) stop(std::chrono::seconds(5));
  if (outFd_ >= 0) close(outFd_);
}

std::string ChildProcess::readLine(std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const auto newline = pending_.find('\n');
    if (newline != std::string::npos) {
      std::string line = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return line;
    }
    pollfd pfd{outFd_, POLLIN, 0};
    const int ready = poll(&pfd, 1, remainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) throw std::runtime_error("no line from the child process in time");
    char buffer[4096];
    const ssize_t count = read(outFd_, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) throw std::runtime_error("the child process's output ended: " + pending_);
    pending_.append(buffer, static_cast<std::size_t>(count));
  }
}

std::string ChildProcess::waitFor(const std::string& prefix, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  for (;;) {
    const std::string line = readLine(std::chrono::milliseconds(remainingMs(deadline)));
    if (line.starts_with(prefix)) return line.substr(prefix.size());
  }
}

int ChildProcess::stop(std::chrono::milliseconds limit) {
  if (reaped_) return exitCode_;
  if (inFd_ >= 0) {
    close(inFd_);
    inFd_ = -1;
  }
  kill(pid_, SIGTERM);
  // A pidfd becomes readable when the process ends, so the wait needs no polling loop.
  const int pidFd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  if (pidFd >= 0) {
    pollfd pfd{pidFd, POLLIN, 0};
    while (poll(&pfd, 1, static_cast<int>(limit.count())) < 0 && errno == EINTR) {
    }
    close(pidFd);
  }
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) != pid_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
  }
  reaped_ = true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return exitCode_;
}

std::string sourceDir() { return ZEDEZ_SOURCE_DIR; }

}  // namespace testsupport
