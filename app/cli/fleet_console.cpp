#include "app/cli/fleet_console.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "app/cli/interrupt_watch.h"
#include "app/cli/outcome_json.h"
#include "app/cli/terminal_text.h"
#include "app/core/handler_boundary.h"
#include "app/core/run_record.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::u16string number(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return text::utf8ToUtf16(text);
}

std::u16string count(int value) { return text::utf8ToUtf16(std::to_string(value)); }
std::u16string count64(std::int64_t value) { return text::utf8ToUtf16(std::to_string(value)); }

// A status or cause line holds a device's text (a version, an error reply's body) at most
// this long.
constexpr std::size_t kLongestStatusShown = 400;

std::u16string listed(const std::u16string& what, const std::vector<DeviceAddress>& devices) {
  std::u16string line = what + u": ";
  for (std::size_t i = 0; i < devices.size(); ++i) {
    if (i > 0) line += u", ";
    line += escapedDeviceText(devices[i]);
  }
  return line;
}

}  // namespace

FleetConsole::FleetConsole(Console& console, FleetConsoleOptions options)
    : console_(console), options_(std::move(options)) {}

void FleetConsole::deviceStarted(const DeviceAddress& address) {
  const std::scoped_lock lock(runningMutex_);
  running_[address] = Running{std::chrono::steady_clock::now()};
}

void FleetConsole::progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) {
  {
    const std::scoped_lock lock(runningMutex_);
    auto& device = running_[address];
    device.sent = sent;
    device.total = total;
  }
  // A list's uploads run side by side, so one progress line cannot show them.
  if (options_.showProgress) console_.showProgress(sent, total);
}

DialogResult FleetConsole::question(const DeviceAddress& address, const std::u16string& text) {
  if (!options_.answer) return DialogResult::Cancel;
  return options_.answer(address, address + u": " + text);
}

void FleetConsole::restartWaitStarted(const DeviceAddress& /*address*/) {}

void FleetConsole::outcome(const DeviceOutcome& outcome) {
  const DeviceAddress& address = outcome.address;
  {
    const std::scoped_lock lock(runningMutex_);
    running_.erase(address);
  }
  if (outcome.restart) {
    const auto& restart = *outcome.restart;
    if (restart.stateAfter) {
      console_.errorLine(named(address, u"back after " + number(restart.seconds, 1) +
                                            u" s, version " +
                                            escapedDeviceText(restart.stateAfter->versionText)));
      if (outcome.verification == Verification::WrongVersion && outcome.error) {
        console_.errorLine(named(address, u"verification failed: " +
                                              escapedDeviceText(outcome.error->message)));
      }
    } else {
      console_.errorLine(named(address, u"not back within " + count(restart.waitSeconds) +
                                            u" s: the update is unverified"));
    }
  }
  if (options_.json) {
    console_.outputLine(outcomeJson(outcome));
  } else {
    console_.outputLine(named(address, escapedDeviceText(outcome.status, kLongestStatusShown)));
  }
  record(recordLine(outcome, std::chrono::system_clock::now()));
}

void FleetConsole::cutOff(int signal) {
  std::map<DeviceAddress, Running> running;
  {
    const std::scoped_lock lock(runningMutex_);
    running.swap(running_);
  }
  std::vector<DeviceAddress> cut;
  const auto now = std::chrono::steady_clock::now();
  for (const auto& [address, device] : running) {
    DeviceOutcome outcome;
    outcome.address = address;
    outcome.result = RunResult::Interrupted;
    outcome.bytesSent = device.sent;
    outcome.seconds = std::chrono::duration<double>(now - device.start).count();
    const std::u16string by = u"interrupted by " + text::utf8ToUtf16(signalName(signal));
    if (device.sent == 0) {
      outcome.status = by + u" before the image was sent";
    } else if (device.sent < device.total) {
      outcome.status = by + u" after " + count64(device.sent) + u" of " + count64(device.total) +
                       u" bytes of the image: the upload is cut off";
      cut.push_back(address);
    } else {
      outcome.status = by + u" after the whole image was sent (" + count64(device.total) +
                       u" bytes), before the register answered";
      cut.push_back(address);
    }
    outcome.error = FailureCause{"Interrupted", outcome.status};
    if (options_.json) {
      console_.outputLine(outcomeJson(outcome));
    } else {
      console_.outputLine(named(address, outcome.status));
    }
    record(recordLine(outcome, std::chrono::system_clock::now()));
  }
  if (!cut.empty()) console_.errorLine(listed(u"uploads cut off", cut));
}

void FleetConsole::diagnostic(const DeviceAddress& address, const std::u16string& line) {
  console_.errorLine(named(address, escapedDeviceText(line, kLongestStatusShown)));
}

void FleetConsole::notStarted(const DeviceAddress& address) {
  if (options_.json) console_.outputLine(notStartedJson(address));
  record(notStartedRecordLine(address, std::chrono::system_clock::now()));
}

std::u16string FleetConsole::named(const DeviceAddress& address, const std::u16string& line) const {
  return options_.nameDevices ? escapedDeviceText(address) + u": " + line : line;
}

void FleetConsole::record(const std::string& line) {
  if (options_.recordFile.empty()) return;
  if (!recordOutcome(options_.recordFile, line, console_)) recordFailed_ = true;
}

std::vector<std::u16string> summaryLines(const fleet::FleetTally& tally) {
  std::u16string line = count(tally.devices) + (tally.devices == 1 ? u" device: " : u" devices: ");
  line += count(tally.uploaded) + u" uploaded, " + count(tally.failed) + u" failed, " +
          count(tally.declined) + u" declined";
  if (tally.checked > 0) line += u", " + count(tally.checked) + u" checked";
  if (tally.verified > 0) line += u", " + count(tally.verified) + u" verified";
  if (tally.notBack > 0) line += u", " + count(tally.notBack) + u" not back after the restart";
  if (tally.notStarted > 0) line += u", " + count(tally.notStarted) + u" not started (interrupted)";
  std::vector<std::u16string> lines{line};
  if (!tally.failedDevices.empty()) lines.push_back(listed(u"failed", tally.failedDevices));
  if (!tally.unverifiedDevices.empty()) {
    lines.push_back(listed(u"unverified (not back)", tally.unverifiedDevices));
  }
  if (!tally.notStartedDevices.empty()) {
    lines.push_back(listed(u"not started", tally.notStartedDevices));
  }
  return lines;
}

bool recordOutcome(const std::string& file, const std::string& line, Console& console) {
  try {
    appendRecordLine(file, line);
    return true;
  } catch (const std::exception& error) {
    console.errorLine(u"zedez-updater: " + errorMessageOf(error));
    return false;
  }
}

}  // namespace app::cli
