#include "app/fleet/fleet_command.h"

#include <fstream>
#include <iostream>

#include "app/cli/answer_policy.h"
#include "app/fleet/address_range.h"
#include "app/fleet/device_list.h"
#include "app/fleet/discovery.h"
#include "app/fleet/fleet_json.h"
#include "app/fleet/fleet_run.h"
#include "app/fleet/interrupt_watch.h"
#include "http/transport/utf.h"

namespace app::fleet {
namespace {

constexpr int kExitFailed = 1;

std::u16string text(const QString& value) { return value.toStdU16String(); }
std::u16string text(const std::string& utf8) { return http::fromUtf8(utf8); }

int usageError(const cli::CommandLine& line, cli::Console& console, const std::u16string& why) {
  console.errorLine(why);
  return line.exitStatus ? cli::kExitUsage : 0;
}

// The program's answer policy, with the question naming its device.
cli::Questioner questionerFor(const cli::CommandLine& line, cli::Console& console) {
  cli::Questioner policy = cli::answerPolicy(line.answer, console);
  return [policy](const std::u16string& address, const std::u16string& question) {
    return policy(address, address + u": " + question);
  };
}

int runScan(const cli::CommandLine& line, const QString& cidr, cli::Console& console) {
  std::string why;
  const auto range = parseScanRange(cidr.toStdString(), why);
  if (!range) return usageError(line, console, text(why));
  const InterruptWatch watch(
      [&console] { console.errorLine(u"interrupted: the scan stops; found so far:"); });
  const auto found = discover(*range, watch.stopRequested());
  for (const FoundDevice& device : found) {
    if (line.json) {
      console.outputLine(foundDeviceJson(device));
    } else {
      const auto& version = device.state.versionText;
      console.outputLine(text(device.address) + u" " + (version.empty() ? u"-" : version));
    }
  }
  console.errorLine(u"scanned " + text(std::to_string(range->size())) + u" addresses of " +
                    text(cidr) + u": " + text(std::to_string(found.size())) +
                    (found.size() == 1 ? u" register" : u" registers") + u" found");
  return line.exitStatus && watch.stopRequested() ? kExitFailed : 0;
}

int runList(const cli::CommandLine& line, const FleetRequest& request,
            const std::vector<std::u16string>& addresses, cli::Console& console) {
  FleetRunOptions options;
  options.mode = line.check ? cli::RunMode::Check : cli::RunMode::Upload;
  options.answer = questionerFor(line, console);
  options.jobs = request.jobs;
  options.json = line.json;
  options.nameDevices = request.devicesFile.has_value();
  options.waitRestartSeconds = request.waitRestartSeconds;
  const InterruptWatch watch([&console] {
    console.errorLine(
        u"interrupted: no further device starts; the running ones finish "
        u"(Ctrl-C again ends at once)");
  });
  const FleetTally tally = runFleet(addresses, options, console, watch.stopRequested());
  if (!options.nameDevices) return line.exitStatus ? tally.lastExitCode : 0;
  console.errorLine(summaryLine(tally));
  return line.exitStatus && tally.anyFailed() ? kExitFailed : 0;
}

}  // namespace

bool isFleetCommand(const cli::CommandLine& line) {
  return line.usageError.isEmpty() && !line.help && !line.version &&
         (line.fleet.listOrScan() || (line.fleet.waitRestartSeconds && !line.address.empty()));
}

int runFleetCommand(const cli::CommandLine& line, cli::Console& console) {
  const FleetRequest& request = line.fleet;
  if (!line.address.empty() && request.listOrScan()) {
    return usageError(line, console, u"give a device address, --devices or --scan, not several");
  }
  if (request.scanRange) return runScan(line, *request.scanRange, console);
  if (!request.devicesFile) return runList(line, request, {line.address}, console);

  const QString& file = *request.devicesFile;
  const bool listOnStdin = file == QLatin1String("-");
  std::vector<std::string> listed;
  if (listOnStdin) {
    listed = readDeviceList(std::cin);
  } else {
    std::ifstream in(file.toStdString());
    if (!in) return usageError(line, console, u"cannot read the device list " + text(file));
    listed = readDeviceList(in);
  }
  if (listed.empty()) return usageError(line, console, u"the device list names no device");
  std::vector<std::u16string> addresses;
  addresses.reserve(listed.size());
  for (const std::string& address : listed) addresses.push_back(text(address));
  return runList(line, request, addresses, console);
}

}  // namespace app::fleet
