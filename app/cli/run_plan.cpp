#include "app/cli/run_plan.h"

#include <mutex>
#include <optional>

#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/fleet/worker_pool.h"
#include "app/core/image_identity.h"
#include "app/core/version_verdict.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

std::u16string count(std::size_t value) { return text::utf8ToUtf16(std::to_string(value)); }

// The register's verdict; none when it did not answer.
std::optional<VersionVerdict> verdictRead(const StateReading& state) {
  if (!state.answered) return std::nullopt;
  return verdictOf(state.versionText, imageIdentity().version);
}

// The plan's list of the registers with this verdict.
std::vector<DeviceAddress>& listOf(RunPlan& plan, std::optional<VersionVerdict> verdict) {
  if (!verdict) return plan.notAnswering;
  switch (*verdict) {
    case VersionVerdict::UpdateAvailable:
      return plan.toUpdate;
    case VersionVerdict::OnImageVersion:
      return plan.current;
    case VersionVerdict::NewerThanImage:
      return plan.newer;
    case VersionVerdict::Unreadable:
      break;
  }
  return plan.unreadable;
}

}  // namespace

RunPlan readPlan(const std::vector<DeviceAddress>& addresses, int jobs,
                 const std::atomic<bool>& stop, Console& console) {
  std::vector<std::optional<VersionVerdict>> verdicts(addresses.size());
  std::mutex progressMutex;
  std::size_t read = 0;
  fleet::runOnWorkers(addresses.size(), jobs, stop, [&](std::size_t index) {
    DeviceInterface device;
    verdicts[index] = verdictRead(readDeviceState(device, addresses[index]));
    const std::scoped_lock lock(progressMutex);
    console.showPassing(
        translated(QT_TRANSLATE_NOOP("zedez", "reading the registers' versions: %1 of %2"),
                   {count(++read), count(addresses.size())}));
  });
  RunPlan plan;
  for (std::size_t i = 0; i < addresses.size(); ++i)
    listOf(plan, verdicts[i]).push_back(addresses[i]);
  return plan;
}

std::vector<std::u16string> planLines(const RunPlan& plan, std::optional<Answer> preset) {
  const std::size_t devices = plan.toUpdate.size() + plan.current.size() + plan.newer.size() +
                              plan.unreadable.size() + plan.notAnswering.size();
  const char* source =
      preset == Answer::No
          ? QT_TRANSLATE_NOOP("zedez",
                              "%1 registers: %2 to update, %3 current (skipped: --no), %4 newer "
                              "(skipped: --no), %5 unreadable, %6 not answering")
          : QT_TRANSLATE_NOOP("zedez",
                              "%1 registers: %2 to update, %3 current (ask), %4 newer (ask), "
                              "%5 unreadable, %6 not answering");
  std::vector<std::u16string> lines{translated(
      source,
      {count(devices), count(plan.toUpdate.size()), count(plan.current.size()),
       count(plan.newer.size()), count(plan.unreadable.size()), count(plan.notAnswering.size())})};
  if (!plan.newer.empty()) {
    lines.push_back(listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "newer")), plan.newer));
  }
  if (!plan.unreadable.empty()) {
    lines.push_back(listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "unreadable version")),
                                  plan.unreadable));
  }
  if (!plan.notAnswering.empty()) {
    lines.push_back(
        listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "not answering")), plan.notAnswering));
  }
  return lines;
}

bool confirmPlan(const RunPlan& plan, std::optional<Answer> preset, Console& console) {
  for (const std::u16string& line : planLines(plan, preset)) console.errorLine(line);
  return console.askYesNo(translated(QT_TRANSLATE_NOOP("zedez", "Continue?")),
                          /*yesByDefault=*/true) == Answer::Yes;
}

std::u16string checkSummaryLine(const fleet::FleetTally& tally) {
  const auto number = [](int value) { return count(static_cast<std::size_t>(value)); };
  return translated(
      tally.devices == 1
          ? QT_TRANSLATE_NOOP("zedez",
                              "%1 device checked: %2 to update, %3 current, %4 newer, "
                              "%5 unreadable, %6 failed")
          : QT_TRANSLATE_NOOP("zedez",
                              "%1 devices checked: %2 to update, %3 current, %4 newer, "
                              "%5 unreadable, %6 failed"),
      {number(tally.devices), number(tally.updateAvailable), number(tally.onImageVersion),
       number(tally.newer), number(tally.unreadable), number(tally.failed + tally.notStarted)});
}

int checkExitCode(const fleet::FleetTally& tally) {
  if (tally.anyFailed()) return kExitFailed;
  return tally.updateAvailable > 0 ? kExitUpdatesAvailable : 0;
}

}  // namespace app::cli
