#include "app/cli/device_list.h"

#include <sstream>

#include "app/cli/address_syntax.h"
#include "json/parser.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::string addressOfJsonLine(const std::string& line) {
  const json::JsonRef document = json::parseDocument(std::string_view(line));
  if (document.isEmpty()) return {};
  return text::utf16ToUtf8(document.getPathString(u"address"));
}

// One line without its line end, at most kLongestListLine bytes; false at the end of input
// or when the line is longer (then `tooLong` is set).
bool readBoundedLine(std::istream& in, std::string& line, bool& tooLong) {
  line.clear();
  char c = 0;
  bool any = false;
  while (in.get(c)) {
    any = true;
    if (c == '\n') return true;
    if (line.size() == kLongestListLine) {
      tooLong = true;
      return false;
    }
    line += c;
  }
  return any;
}

std::string lineError(std::size_t number, const std::string& why) {
  return "the device list's line " + std::to_string(number) + " " + why;
}

}  // namespace

DeviceListReading readDeviceList(std::istream& in) {
  DeviceListReading reading;
  std::string line;
  std::size_t number = 0;
  std::size_t bytes = 0;
  bool tooLong = false;
  while (readBoundedLine(in, line, tooLong)) {
    ++number;
    bytes += line.size() + 1;
    if (bytes > kLargestList) {
      reading.error = "the device list is larger than " + std::to_string(kLargestList >> 20) +
                      " MiB (at line " + std::to_string(number) + ")";
      return reading;
    }
    if (const auto comment = line.find('#'); comment != std::string::npos) line.erase(comment);
    std::istringstream words(line);
    std::string first;
    if (!(words >> first)) continue;
    const bool json = first.front() == '{';
    std::string address = json ? addressOfJsonLine(line) : first;
    if (!isDeviceAddress(address)) {
      reading.error = lineError(number, json ? "is no scan line with an address"
                                             : "names no address (an IPv4 address or a host "
                                               "name, without port)");
      return reading;
    }
    if (reading.addresses.size() == kMostListedDevices) {
      reading.error = lineError(number, "is past the most devices a list may name (" +
                                            std::to_string(kMostListedDevices) + ")");
      return reading;
    }
    reading.addresses.push_back(std::move(address));
  }
  if (tooLong) {
    reading.error =
        lineError(number + 1, "is longer than " + std::to_string(kLongestListLine) + " bytes");
  }
  return reading;
}

}  // namespace app::cli
