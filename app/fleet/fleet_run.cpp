#include "app/fleet/fleet_run.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "app/fleet/fleet_json.h"
#include "app/fleet/restart_wait.h"
#include "http/transport/utf.h"

namespace app::fleet {
namespace {

std::u16string number(double value, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f", decimals, value);
  return http::fromUtf8(text);
}

std::u16string count(int value) { return http::fromUtf8(std::to_string(value)); }

class FleetRunner {
 public:
  FleetRunner(const std::vector<std::u16string>& addresses, const FleetRunOptions& options,
              cli::Console& console, const std::atomic<bool>& stop)
      : addresses_(addresses), options_(options), console_(console), stop_(stop) {}

  FleetTally run() {
    tally_.devices = static_cast<int>(addresses_.size());
    const int workers = std::min<int>(options_.jobs, tally_.devices);
    {
      std::vector<std::jthread> pool;
      pool.reserve(workers);
      for (int i = 0; i < workers; ++i) pool.emplace_back([this] { work(); });
    }
    tally_.notStarted = tally_.devices - started_;
    return tally_;
  }

 private:
  void work() {
    while (const auto* address = nextAddress()) runOne(*address);
  }

  const std::u16string* nextAddress() {
    const std::scoped_lock lock(mutex_);
    if (stop_ || started_ == tally_.devices) return nullptr;
    return &addresses_[started_++];
  }

  [[nodiscard]] std::u16string named(const std::u16string& address,
                                     const std::u16string& line) const {
    return options_.nameDevices ? address + u": " + line : line;
  }

  void runOne(const std::u16string& address) {
    cli::DeviceRunOptions run;
    run.mode = options_.mode;
    run.answer = options_.answer;
    run.onDiagnostic = [&](const std::u16string& line) {
      console_.errorLine(named(address, line));
    };
    const cli::DeviceOutcome outcome = cli::runDevice(address, run);

    std::optional<RestartOutcome> restart;
    if (options_.waitRestartSeconds && outcome.result == cli::RunResult::Uploaded) {
      restart =
          waitForRestart(http::toUtf8(address), outcome.versionText, *options_.waitRestartSeconds);
      if (restart->stateAfter) {
        console_.errorLine(named(address, u"back after " + number(restart->seconds, 1) +
                                              u" s, version " + restart->stateAfter->versionText));
      } else {
        console_.errorLine(
            named(address, u"not back within " + count(*options_.waitRestartSeconds) + u" s"));
      }
    }
    if (options_.json) {
      console_.outputLine(deviceJson(outcome, options_.waitRestartSeconds.has_value(), restart));
    } else {
      console_.outputLine(named(address, outcome.status));
    }
    record(outcome.result, restart);
  }

  void record(cli::RunResult result, const std::optional<RestartOutcome>& restart) {
    const std::scoped_lock lock(mutex_);
    switch (result) {
      case cli::RunResult::Uploaded:
        ++tally_.uploaded;
        break;
      case cli::RunResult::Declined:
        ++tally_.declined;
        break;
      case cli::RunResult::Checked:
        ++tally_.checked;
        break;
      case cli::RunResult::Failed:
        ++tally_.failed;
        break;
    }
    if (restart && !restart->stateAfter) ++tally_.notBack;
    tally_.lastExitCode = restart && !restart->stateAfter ? 1 : cli::exitCodeOf(result);
  }

  const std::vector<std::u16string>& addresses_;
  const FleetRunOptions& options_;
  cli::Console& console_;
  const std::atomic<bool>& stop_;
  std::mutex mutex_;
  int started_ = 0;
  FleetTally tally_;
};

}  // namespace

FleetTally runFleet(const std::vector<std::u16string>& addresses, const FleetRunOptions& options,
                    cli::Console& console, const std::atomic<bool>& stop) {
  return FleetRunner(addresses, options, console, stop).run();
}

std::u16string summaryLine(const FleetTally& tally) {
  std::u16string line = count(tally.devices) + (tally.devices == 1 ? u" device: " : u" devices: ");
  line += count(tally.uploaded) + u" uploaded, " + count(tally.failed) + u" failed, " +
          count(tally.declined) + u" declined";
  if (tally.checked > 0) line += u", " + count(tally.checked) + u" checked";
  if (tally.notBack > 0) line += u", " + count(tally.notBack) + u" not back after the restart";
  if (tally.notStarted > 0) line += u", " + count(tally.notStarted) + u" not started (interrupted)";
  return line;
}

}  // namespace app::fleet
