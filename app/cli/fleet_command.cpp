#include "app/cli/fleet_command.h"

#include <cerrno>
#include <fstream>
#include <iostream>
#include <system_error>

#include "app/cli/answer_policy.h"
#include "app/cli/device_list.h"
#include "app/cli/fleet_console.h"
#include "app/cli/interrupt_watch.h"
#include "app/cli/outcome_json.h"
#include "app/cli/terminal_text.h"
#include "app/core/fleet/address_range.h"
#include "app/core/fleet/discovery.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/restart_wait.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

constexpr int kExitFailed = 1;

std::u16string text(const QString& value) { return value.toStdU16String(); }
std::u16string text(const std::string& utf8) { return text::utf8ToUtf16(utf8); }

int usageError(const CommandLine& line, Console& console, const std::u16string& why) {
  console.errorLine(why);
  return line.exitStatus ? kExitUsage : 0;
}

int runScan(const CommandLine& line, const QString& cidr, Console& console) {
  std::string why;
  const auto range = fleet::parseScanRange(cidr.toStdString(), why);
  if (!range) return usageError(line, console, text(why));
  const InterruptWatch watch({.onStop =
                                  [&console](int signal) {
                                    console.errorLine(u"interrupted by " +
                                                      text(std::string(signalName(signal))) +
                                                      u": the scan stops; found so far:");
                                  },
                              .onEnd = {}});
  const auto found = fleet::discover(*range, watch.stopRequested());
  for (const fleet::FoundDevice& device : found) {
    if (line.json) {
      console.outputLine(foundDeviceJson(device));
    } else {
      const auto& version = device.state.versionText;
      console.outputLine(device.address + u" " +
                         (version.empty() ? u"-" : escapedDeviceText(version)));
    }
  }
  console.errorLine(u"scanned " + text(std::to_string(range->size())) + u" addresses of " +
                    text(cidr) + u": " + text(std::to_string(found.size())) +
                    (found.size() == 1 ? u" register" : u" registers") + u" found");
  return line.exitStatus && watch.stopRequested() ? kExitFailed : 0;
}

// A list waits for every register to come back and verifies it, unless told otherwise
// ("--wait-restart 0"); one address waits only when asked to; a check never.
std::optional<int> restartWaitOf(const CommandLine& line, const FleetRequest& request) {
  if (line.check) return std::nullopt;
  const int seconds =
      request.waitRestartSeconds.value_or(request.devicesFile ? kDefaultRestartWaitSeconds : 0);
  if (seconds == 0) return std::nullopt;
  return seconds;
}

int runList(const CommandLine& line, const FleetRequest& request,
            const std::vector<DeviceAddress>& addresses, Console& console) {
  const bool list = request.devicesFile.has_value();
  fleet::FleetRunOptions options;
  options.mode = line.check ? RunMode::Check : RunMode::Upload;
  options.jobs = request.jobs;
  options.waitRestartSeconds = restartWaitOf(line, request);
  FleetConsole printer(console, {.json = line.json,
                                 .nameDevices = list,
                                 .answer = answerPolicy(line.answer, console),
                                 .recordFile = line.recordFile.toStdString(),
                                 .showProgress = !list && !line.json});
  // A list stops starting devices at the first signal and lets those under way finish; the
  // second, or the first for a single device, ends the program at once with their records.
  InterruptWatch::Handlers handlers;
  if (list) {
    handlers.onStop = [&console](int signal) {
      console.errorLine(u"interrupted by " + text(std::string(signalName(signal))) +
                        u": no further device starts; the running ones finish (a second "
                        u"signal ends at once)");
    };
  }
  handlers.onEnd = [&printer](int signal) { printer.cutOff(signal); };
  const InterruptWatch watch(handlers, /*endOnFirst=*/!list);
  const fleet::FleetTally tally =
      fleet::runFleet(addresses, options, printer, watch.stopRequested());
  for (const DeviceAddress& address : tally.notStartedDevices) printer.notStarted(address);
  if (!list) {
    const int code = printer.recordFailed() ? kExitFailed : tally.lastExitCode;
    return line.exitStatus ? code : 0;
  }
  for (const std::u16string& summary : summaryLines(tally)) console.errorLine(summary);
  return line.exitStatus && (tally.anyFailed() || printer.recordFailed()) ? kExitFailed : 0;
}

}  // namespace

bool isFleetCommand(const CommandLine& line) {
  return line.usageError.isEmpty() && !line.help && !line.version &&
         (line.fleet.listOrScan() ||
          (line.fleet.waitRestartSeconds.value_or(0) > 0 && !line.address.empty()));
}

int runFleetCommand(const CommandLine& line, Console& console) {
  const FleetRequest& request = line.fleet;
  if (!line.address.empty() && request.listOrScan()) {
    return usageError(line, console, u"give a device address, --devices or --scan, not several");
  }
  if (request.scanRange) return runScan(line, *request.scanRange, console);
  if (!request.devicesFile) return runList(line, request, {line.address}, console);

  const QString& file = *request.devicesFile;
  DeviceListReading listed;
  if (file == QLatin1String("-")) {
    listed = readDeviceList(std::cin);
  } else {
    std::ifstream in(file.toStdString());
    if (!in) {
      return usageError(line, console,
                        u"cannot read the device list " + text(file) + u": " +
                            text(std::generic_category().message(errno)));
    }
    listed = readDeviceList(in);
  }
  if (!listed.error.empty()) return usageError(line, console, text(listed.error));
  if (listed.addresses.empty()) return usageError(line, console, u"the device list names no device");
  std::vector<DeviceAddress> addresses;
  addresses.reserve(listed.addresses.size());
  for (const std::string& address : listed.addresses) addresses.push_back(text(address));
  return runList(line, request, addresses, console);
}

}  // namespace app::cli
