#include "app/cli/device_list.h"

#include <sstream>

#include "json/parser.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::string addressOfJsonLine(const std::string& line) {
  const json::JsonRef document = json::parseDocument(text::utf8ToUtf16(line));
  if (document.isEmpty()) return {};
  return text::utf16ToUtf8(document.getPathString(u"address"));
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

}  // namespace app::cli
