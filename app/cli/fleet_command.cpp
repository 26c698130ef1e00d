#include "app/cli/fleet_command.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <system_error>

#include "app/cli/address_syntax.h"
#include "app/cli/answer_policy.h"
#include "app/cli/device_list.h"
#include "app/cli/fleet_console.h"
#include "app/cli/outcome_json.h"
#include "app/cli/progress_area.h"
#include "app/cli/run_plan.h"
#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "app/core/device_client.h"
#include "app/core/fleet/address_range.h"
#include "app/core/fleet/discovery.h"
#include "app/core/fleet/fleet_run.h"
#include "app/core/interrupt_watch.h"
#include "app/core/record_sink.h"
#include "app/core/restart_wait.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::u16string text(const QString& value) { return value.toStdU16String(); }
std::u16string text(const std::string& utf8) { return text::utf8ToUtf16(utf8); }
std::u16string number(std::size_t value) { return text(std::to_string(value)); }

std::u16string signalText(int signal) { return text(std::string(signalName(signal))); }

// The same device named twice would get two uploads at once: each runs once, and the run
// says which were named more than once. Host names compare without case.
std::vector<DeviceAddress> withoutDuplicates(const std::vector<std::string>& listed,
                                             Console& console) {
  std::vector<DeviceAddress> addresses;
  std::map<std::string, std::size_t> seen;
  for (const std::string& address : listed) {
    std::string key = address;
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (++seen[key] == 1) addresses.push_back(text(address));
  }
  for (const auto& [address, times] : seen) {
    if (times < 2) continue;
    console.errorLine(u"zedez-updater: " +
                      translated(QT_TRANSLATE_NOOP("zedez", "%1 is listed %2 times; it runs once"),
                                 {escapedDeviceText(text(address)), number(times)}));
  }
  return addresses;
}

int runScan(const CommandLine& line, const QString& cidr, Console& console) {
  std::string why;
  const auto range = fleet::parseScanRange(cidr.toStdString(), why);
  if (!range) return usageFailure(console, text(why));
  InterruptWatch watch(
      {.onStop =
           [&console](int signal) {
             console.errorLine(translated(
                 QT_TRANSLATE_NOOP("zedez", "interrupted by %1: the scan stops; found so far:"),
                 {signalText(signal)}));
           },
       .onEnd = {}});
  if (console.stderrIsTerminal()) {
    console.showPassing(translated(
        QT_TRANSLATE_NOOP("zedez", "asking %1 addresses of %2, %4 at once (at most %3 s each)"),
        {number(range->size()), text(cidr), number(kScanProbeLimits.deadline / 1000),
         number(fleet::kScanConcurrency)}));
  }
  const auto found = fleet::discover(*range, watch.stopRequested());
  for (const fleet::FoundDevice& device : found) {
    if (line.json) {
      console.outputLine(foundDeviceJson(device));
    } else {
      const auto& version = device.state.versionText;
      std::u16string shown = version.empty() ? u"-" : escapedDeviceText(version);
      if (device.state.versionLength > version.size()) {
        shown += translated(QT_TRANSLATE_NOOP("zedez", " (%1 characters)"),
                            {number(device.state.versionLength)});
      }
      console.outputLine(device.address + u" " + shown);
    }
  }
  if (!console.quiet()) {
    console.errorLine(translated(
        found.size() == 1
            ? QT_TRANSLATE_NOOP("zedez", "scanned %1 addresses of %2: %3 register found")
            : QT_TRANSLATE_NOOP("zedez", "scanned %1 addresses of %2: %3 registers found"),
        {number(range->size()), text(cidr), number(found.size())}));
  }
  watch.endIfStopped();
  return 0;
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

// At a terminal a list shows what it would do and asks once before it changes anything;
// --yes skips this. False: declined.
bool planAccepted(const CommandLine& line, const std::vector<DeviceAddress>& addresses,
                  Console& console) {
  if (line.check || line.answer == Answer::Yes || !console.canAsk()) return true;
  const std::atomic<bool> noStop{false};
  const RunPlan plan = readPlan(addresses, fleet::kScanConcurrency, noStop, console);
  if (plan.changesAnything(line.answer)) return confirmPlan(plan, line.answer, console);
  for (const std::u16string& planLine : planLines(plan, line.answer)) console.errorLine(planLine);
  return true;
}

fleet::FleetRunOptions runOptionsOf(const CommandLine& line, const FleetRequest& request,
                                    Console& console) {
  fleet::FleetRunOptions options;
  options.mode = line.check ? RunMode::Check : RunMode::Upload;
  options.jobs = request.jobs;
  options.waitRestartSeconds = restartWaitOf(line, request);
  options.allowOlder = line.allowOlder;
  options.retry = request.retryPolicy();
  // --yes answers the question about a current version, not about an older one.
  options.askDowngrade = !line.answer && console.canAsk();
  return options;
}

void printSummary(const CommandLine& line, const fleet::FleetTally& tally, Console& console) {
  std::vector<std::u16string> summary = summaryLines(tally);
  if (line.check) summary.front() = checkSummaryLine(tally);
  for (const std::u16string& summaryLine : summary) console.errorLine(summaryLine);
}

int listExitCode(const CommandLine& line, const fleet::FleetTally& tally) {
  if (tally.recordFailed) return kExitFailed;
  return line.check ? checkExitCode(tally) : (tally.anyFailed() ? kExitFailed : 0);
}

// A check of one address tells its outcome always; the single update only when asked to.
int singleExitCode(const CommandLine& line, const fleet::FleetTally& tally) {
  if (line.check) return tally.recordFailed ? kExitFailed : checkExitCode(tally);
  const int code = tally.recordFailed ? kExitFailed : tally.lastExitCode;
  return line.exitStatus ? code : 0;
}

int runList(const CommandLine& line, const FleetRequest& request,
            const std::vector<DeviceAddress>& addresses, Console& console) {
  const bool list = request.devicesFile.has_value();
  if (!recordFileWritable(console, line.recordFile.toStdString())) return kExitRecordUnwritable;
  if (list && !planAccepted(line, addresses, console)) {
    return endWith(console,
                   translated(QT_TRANSLATE_NOOP("zedez", "declined: no register was changed")),
                   kExitDeclined);
  }
  fleet::FleetRunOptions options = runOptionsOf(line, request, console);
  FleetConsole printer(console, {.json = line.json,
                                 .nameDevices = list,
                                 .answer = answerPolicy(line.answer, console),
                                 .showProgress = !list && !line.json,
                                 .verbose = line.verbose});
  // The first signal starts no further device and lets those under way finish, and the run
  // then ends by it; a second one ends the program at once with their records.
  InterruptWatch::Handlers handlers;
  handlers.onStop = [&console](int signal) {
    console.cancelQuestions();
    console.errorLine(
        translated(QT_TRANSLATE_NOOP("zedez",
                                     "interrupted by %1: no further device starts; the running "
                                     "ones finish (a second signal ends at once)"),
                   {signalText(signal)}));
  };
  std::optional<RecordFile> record;
  if (!line.recordFile.isEmpty()) options.record = &record.emplace(line.recordFile.toStdString());
  fleet::FleetRun run(options, printer, printer);
  std::atomic<ProgressArea*> shownArea{nullptr};
  handlers.onEnd = [&printer, &run, &shownArea](int signal) {
    if (ProgressArea* area = shownArea.load(); area != nullptr) area->stop();
    printer.tellCutOff(run.interrupt(signalText(signal)));
  };
  InterruptWatch watch(handlers);
  // Made after the watch, so that its thread takes no signal either.
  std::optional<ProgressArea> area;
  if (list && console.stderrIsTerminal() && !console.quiet() && !line.verbose) {
    area.emplace(console, addresses.size());
    printer.showIn(&*area);
    shownArea = &*area;
  }
  // A reader that went away (`| head -n 1`) stops the run as a signal would; the records and
  // the summary still come.
  console.setOutputClosedHandler([&watch] { watch.stopAs(SIGPIPE); });
  struct Forget {
    Console& console;
    ~Forget() { console.setOutputClosedHandler({}); }
  } forget{console};
  const fleet::FleetTally tally = run.run(addresses, watch.stopRequested());
  if (area) area->stop();
  if (list && !console.quiet()) printSummary(line, tally, console);
  watch.endIfStopped();
  return list ? listExitCode(line, tally) : singleExitCode(line, tally);
}

}  // namespace

bool isFleetCommand(const CommandLine& line) {
  return line.usageError.isEmpty() && !line.help && !line.version &&
         (line.fleet.listOrScan() ||
          (!line.address.empty() &&
           (line.fleet.waitRestartSeconds.value_or(0) > 0 || line.fleet.retries.value_or(0) > 0)));
}

int runFleetCommand(const CommandLine& line, Console& console) {
  const FleetRequest& request = line.fleet;
  if (request.scanRange) return runScan(line, *request.scanRange, console);
  if (!request.devicesFile) {
    if (!isDeviceAddress(text::utf16ToUtf8(line.address))) {
      return usageFailure(console,
                          translated(QT_TRANSLATE_NOOP("zedez",
                                                       "\"%1\" is no device address: give an "
                                                       "IPv4 address or a host name, without "
                                                       "port, scheme or path"),
                                     {escapedDeviceText(line.address)}));
    }
    return runList(line, request, {line.address}, console);
  }

  const QString& file = *request.devicesFile;
  DeviceListReading listed;
  if (file == QLatin1String("-")) {
    listed = readDeviceList(std::cin);
  } else {
    std::ifstream in(file.toStdString());
    if (!in) {
      const int error = errno;
      return usageFailure(
          console, translated(QT_TRANSLATE_NOOP("zedez", "cannot read the device list %1: %2"),
                              {text(file), text(std::generic_category().message(error))}));
    }
    listed = readDeviceList(in);
  }
  if (!listed.error.empty()) return usageFailure(console, text(listed.error));
  if (listed.addresses.empty()) {
    return endWith(
        console,
        translated(QT_TRANSLATE_NOOP("zedez", "the device list names no device: nothing to do")),
        kExitNothingToDo);
  }
  return runList(line, request, withoutDuplicates(listed.addresses, console), console);
}

}  // namespace app::cli
