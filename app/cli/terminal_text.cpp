#include "app/cli/terminal_text.h"

#include "app/core/escaped_text.h"

namespace app::cli {

std::u16string escapedDeviceText(std::u16string_view text, std::size_t most) {
  const std::u16string_view kept = cutWhole(text, most);
  std::u16string shown = escapedText(kept);
  if (kept.size() < text.size()) shown += u"...";
  return shown;
}

std::u16string listedDevices(const std::u16string& what,
                             const std::vector<DeviceAddress>& devices) {
  std::u16string line = what + u": ";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (i > 0) line += u", ";
    line += escapedDeviceText(devices[i]);
  }
  return line;
}

}  // namespace app::cli
