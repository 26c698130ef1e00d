#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "json/json_ref.h"

namespace testsupport {

// One of the project's test counterparts (tools/*.py) on a loopback address, with its record
// file. The ports it listens on come from its ready line.
class ToolProcess {
 public:
  ToolProcess(const std::string& script, const std::string& address,
              const std::vector<std::string>& arguments);
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;
  ~ToolProcess();

  [[nodiscard]] const std::string& address() const { return address_; }
  [[nodiscard]] const std::vector<int>& ports() const { return ports_; }
  // Every record so far, one JSON document each.
  [[nodiscard]] std::vector<json::JsonRef> records() const;

 private:
  std::string address_;
  std::filesystem::path directory_;
  std::vector<int> ports_;
  std::unique_ptr<ChildProcess> process_;
};

// A tinyproxy on 127.0.0.1 with a config written for the test, allowing CONNECT to the
// given port. Ready once its port accepts connections.
class Tinyproxy {
 public:
  explicit Tinyproxy(int connectPort);
  Tinyproxy(const Tinyproxy&) = delete;
  Tinyproxy& operator=(const Tinyproxy&) = delete;
  ~Tinyproxy();

  [[nodiscard]] int port() const { return port_; }

 private:
  std::filesystem::path directory_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;
};

// A TCP port on 127.0.0.1 that nothing listens on at the moment of the call.
int freeLoopbackPort();

}  // namespace testsupport
