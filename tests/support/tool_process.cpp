#include "tool_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "json/parser.h"
#include "text/utf8_codec.h"

namespace testsupport {
namespace {

std::filesystem::path scratchDirectory(const std::string& name) {
  static int counter = 0;
  auto directory =
      std::filesystem::temp_directory_path() /
      ("zedez-" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
  std::filesystem::create_directories(directory);
  return directory;
}

sockaddr_in loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// True once a connect to the port succeeds within the limit. Each attempt waits on the
// socket itself, so the loop needs no pause of its own.
bool waitUntilListening(int port, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < deadline) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    const sockaddr_in address = loopback(port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      close(fd);
      return true;
    }
    pollfd pfd{fd, POLLOUT, 0};
    if (poll(&pfd, 1, 200) == 1) {
      int error = 0;
      socklen_t length = sizeof error;
      getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
      if (error == 0) {
        close(fd);
        return true;
      }
      // Refused: give the starting process the rest of a short slice before the next try.
      pollfd none{-1, 0, 0};
      poll(&none, 1, 50);
    }
    close(fd);
  }
  return false;
}

}  // namespace

ToolProcess::ToolProcess(const std::string& script, const std::string& address,
                         const std::vector<std::string>& arguments)
    : address_(address), directory_(scratchDirectory(script)) {
  std::vector<std::string> argv = {
      "python3",  sourceDir() + "/tools/" + script,        address,
      "--record", (directory_ / "records.jsonl").string(), "--max-lifetime",
      "600"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  process_ = std::make_unique<ChildProcess>(argv);
  std::istringstream ready(process_->readLine(std::chrono::seconds(30)));
  std::string word;
  std::string readyAddress;
  ready >> word >> readyAddress;
  if (word != "ready") throw std::runtime_error(script + " did not start");
  int port = 0;
  while (ready >> port) ports_.push_back(port);
}

ToolProcess::~ToolProcess() {
  process_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::vector<json::JsonRef> ToolProcess::records() const {
  std::vector<json::JsonRef> result;
  std::ifstream file(directory_ / "records.jsonl");
  std::string line;
  while (std::getline(file, line)) {
    json::JsonRef record = json::parseDocument(text::utf8ToUtf16(line));
    if (!record.isEmpty()) result.push_back(std::move(record));
  }
  return result;
}

int freeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = loopback(0);
  bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  socklen_t length = sizeof address;
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

Tinyproxy::Tinyproxy(int connectPort)
    : directory_(scratchDirectory("tinyproxy")), port_(freeLoopbackPort()) {
  const auto config = directory_ / "tinyproxy.conf";
  std::ofstream(config) << "Port " << port_ << "\nListen 127.0.0.1\nTimeout 30\nMaxClients 10\n"
                        << "LogFile \"" << (directory_ / "tinyproxy.log").string() << "\"\n"
                        << "LogLevel Info\nAllow 127.0.0.1\nConnectPort " << connectPort
                        << "\nDisableViaHeader Yes\n";
  process_ = std::make_unique<ChildProcess>(
      std::vector<std::string>{"tinyproxy", "-d", "-c", config.string()});
  if (!waitUntilListening(port_, std::chrono::seconds(20))) {
    throw std::runtime_error("tinyproxy did not start listening");
  }
}

Tinyproxy::~Tinyproxy() {
  process_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

}  // namespace testsupport
