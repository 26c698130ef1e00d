#include "device_simulator.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <stdexcept>

#include "json/parser.h"
#include "text/utf8_codec.h"

namespace testsupport {
namespace {

std::string utf8Member(const json::JsonRef& record, std::u16string_view name) {
  return text::utf16ToUtf8(record.getPathString(name));
}

}  // namespace

std::string freshLoopbackAddress() {
  static std::atomic<int> counter{0};
  const int n = counter.fetch_add(1);
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(100 + pid % 150) + "." + std::to_string((pid / 150) % 250 + 1) +
         "." + std::to_string(n % 250 + 2);
}

std::string base64Decode(const std::string& text) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
  };
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (const char c : text) {
    const int v = value(c);
    if (v < 0) continue;
    buffer = (buffer << 6U) | static_cast<unsigned>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<char>((buffer >> static_cast<unsigned>(bits)) & 0xFFU));
    }
  }
  return out;
}

DeviceSimulator::DeviceSimulator(const std::vector<std::string>& extraArguments)
    : address_(freshLoopbackAddress()) {
  directory_ = std::filesystem::temp_directory_path() /
               ("zedez-sim-" + std::to_string(getpid()) + "-" + address_);
  std::filesystem::create_directories(directory_);
  std::vector<std::string> argv = {
      "python3",  sourceDir() + "/tools/device_simulator.py", address_,
      "--record", (directory_ / "records.jsonl").string(),    "--max-lifetime",
      "600"};
  argv.insert(argv.end(), extraArguments.begin(), extraArguments.end());
  process_ = std::make_unique<ChildProcess>(argv);
  const std::string ready = process_->readLine(std::chrono::seconds(20));
  if (ready.rfind("ready ", 0) != 0) throw std::runtime_error("simulator did not start: " + ready);
}

DeviceSimulator::~DeviceSimulator() {
  process_.reset();
  std::error_code ignored;
  std::filesystem::remove_all(directory_, ignored);
}

std::u16string DeviceSimulator::address16() const { return text::utf8ToUtf16(address_); }

std::vector<RecordedRequest> DeviceSimulator::records() const {
  std::vector<RecordedRequest> result;
  std::ifstream file(directory_ / "records.jsonl");
  std::string line;
  while (std::getline(file, line)) {
    const json::JsonRef record = json::parseDocument(text::utf8ToUtf16(line));
    if (record.isEmpty()) continue;
    RecordedRequest request;
    request.kind = utf8Member(record, u"kind");
    request.method = utf8Member(record, u"method");
    request.target = utf8Member(record, u"target");
    request.head = base64Decode(utf8Member(record, u"head_b64"));
    request.body = base64Decode(utf8Member(record, u"body_b64"));
    request.tokenOk = utf8Member(record, u"token_ok") == "true";
    result.push_back(std::move(request));
  }
  return result;
}

std::vector<RecordedRequest> DeviceSimulator::records(const std::string& kind) const {
  std::vector<RecordedRequest> result;
  for (auto& request : records()) {
    if (request.kind == kind) result.push_back(std::move(request));
  }
  return result;
}

}  // namespace testsupport
