#include "app/cli/fleet_console.h"

#include <cstdio>
#include <utility>

#include "app/cli/fleet_json.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::u16string number(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text::utf8ToUtf16(text);
}

std::u16string count(int value) { return text::utf8ToUtf16(std::to_string(value)); }

}  // namespace

FleetConsole::FleetConsole(Console& console, FleetConsoleOptions options)
    : console_(console), options_(std::move(options)) {}

void FleetConsole::deviceStarted(const DeviceAddress& /*address*/) {}

// A list's uploads run side by side, so one progress line cannot show them.
void FleetConsole::progress(const DeviceAddress& /*address*/, std::int64_t /*sent*/,
                            std::int64_t /*total*/) {}

DialogResult FleetConsole::question(const DeviceAddress& address, const std::u16string& text) {
  if (!options_.answer) return DialogResult::Cancel;
  return options_.answer(address, address + u": " + text);
}

void FleetConsole::outcome(const fleet::FleetDeviceOutcome& outcome) {
  const DeviceAddress& address = outcome.device.address;
  if (outcome.restart) {
    const auto& restart = *outcome.restart;
    if (restart.stateAfter) {
      console_.errorLine(named(address, u"back after " + number(restart.seconds, 1) +
                                            u" s, version " + restart.stateAfter->versionText));
    } else {
      console_.errorLine(named(address, u"not back within " + count(restart.waitSeconds) + u" s"));
    }
  }
  if (options_.json) {
    console_.outputLine(deviceJson(outcome));
  } else {
    console_.outputLine(named(address, outcome.device.status));
  }
}

void FleetConsole::diagnostic(const DeviceAddress& address, const std::u16string& line) {
  console_.errorLine(named(address, line));
}

std::u16string FleetConsole::named(const DeviceAddress& address, const std::u16string& line) const {
  return options_.nameDevices ? address + u": " + line : line;
}

std::u16string summaryLine(const fleet::FleetTally& tally) {
  std::u16string line = count(tally.devices) + (tally.devices == 1 ? u" device: " : u" devices: ");
  line += count(tally.uploaded) + u" uploaded, " + count(tally.failed) + u" failed, " +
          count(tally.declined) + u" declined";
  if (tally.checked > 0) line += u", " + count(tally.checked) + u" checked";
  if (tally.notBack > 0) line += u", " + count(tally.notBack) + u" not back after the restart";
  if (tally.notStarted > 0) line += u", " + count(tally.notStarted) + u" not started (interrupted)";
  return line;
}

}  // namespace app::cli
