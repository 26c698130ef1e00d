#include "app/fleet/device_list.h"

#include <sstream>

#include "http/transport/utf.h"
#include "json/parser.h"

namespace app::fleet {
namespace {

std::string addressOfJsonLine(const std::string& line) {
  const json::JsonRef document = json::parseDocument(http::fromUtf8(line));
  if (document.isEmpty()) return {};
  return http::toUtf8(document.getPathString(u"address"));
}

}  // namespace

std::vector<std::string> readDeviceList(std::istream& in) {
  std::vector<std::string> addresses;
  std::string line;
  while (std::getline(in, line)) {
    if (const auto comment = line.find('#'); comment != std::string::npos) line.erase(comment);
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    if (first.front() == '{') first = addressOfJsonLine(line);
    if (!first.empty()) addresses.push_back(first);
  }
  return addresses;
}

}  // namespace app::fleet
