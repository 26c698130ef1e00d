#include "app/cli/progress_area.h"

#include <algorithm>

#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "app/core/device_run.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

using Clock = ProgressArea::Clock;

constexpr auto kTick = std::chrono::seconds(1);
constexpr std::size_t kMostDevicesShown = 10;

std::u16string number(long long value) { return text::utf8ToUtf16(std::to_string(value)); }

long long secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration_cast<std::chrono::seconds>(to - from).count();
}

// "0:07", "12:30", "1:02:05"
std::u16string duration(long long seconds) {
  seconds = std::max(seconds, 0LL);
  char text[32];
  if (seconds >= 3600) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
  }
  return text::utf8ToUtf16(text);
}

std::u16string phaseText(const PhaseChange& change, long long waited) {
  switch (change.phase) {
    case RunPhase::ReadingState:
      return translated(QT_TRANSLATE_NOOP("zedez", "reading the state, %1 s of at most %2 s"),
                        {number(waited), number(change.seconds)});
    case RunPhase::Sending:
      return translated(
          QT_TRANSLATE_NOOP("zedez", "sending, %1 of %2 KiB handed to the network, %3 s"),
          {number(change.sent / 1024), number(change.total / 1024), number(waited)});
    case RunPhase::WaitingForAnswer:
      return translated(QT_TRANSLATE_NOOP("zedez", "waiting for the answer, %1 s of at most %2 s"),
                        {number(waited), number(change.seconds)});
    case RunPhase::Restarting:
      return translated(
          QT_TRANSLATE_NOOP("zedez", "restarting, waiting to come back, %1 s of at most %2 s"),
          {number(waited), number(change.seconds)});
    case RunPhase::Verifying:
    case RunPhase::Done:
      break;
  }
  return translated(QT_TRANSLATE_NOOP("zedez", "verifying the version, %1 s"), {number(waited)});
}

}  // namespace

ProgressArea::ProgressArea(Console& console, std::size_t devices)
    : console_(console), ticker_([this] { tick(); }) {
  const std::scoped_lock lock(mutex_);
  counts_.devices = devices;
  redrawLocked();
}

ProgressArea::~ProgressArea() {
  stop();
  ticker_.join();
}

void ProgressArea::stop() {
  {
    const std::scoped_lock lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  console_.clearArea();
}

void ProgressArea::tick() {
  std::unique_lock lock(mutex_);
  while (!wake_.wait_for(lock, kTick, [this] { return ending_; })) redrawLocked();
}

void ProgressArea::deviceStarted(const DeviceAddress& address) {
  const std::scoped_lock lock(mutex_);
  running_[address] = Running{PhaseChange{}, Clock::now()};
  redrawLocked();
}

void ProgressArea::phase(const DeviceAddress& address, const PhaseChange& change) {
  const std::scoped_lock lock(mutex_);
  Running& device = running_[address];
  // Sending is told for each block: the time counts from the first.
  if (device.change.phase != change.phase || device.since == Clock::time_point{}) {
    device.since = Clock::now();
  }
  const bool samePercent = change.phase == RunPhase::Sending &&
                           device.change.phase == RunPhase::Sending &&
                           change.sent * 100 / std::max<std::int64_t>(change.total, 1) ==
                               device.change.sent * 100 / std::max<std::int64_t>(change.total, 1);
  device.change = change;
  if (!samePercent) redrawLocked();
}

void ProgressArea::outcome(const DeviceOutcome& outcome) {
  const std::scoped_lock lock(mutex_);
  running_.erase(outcome.address);
  switch (outcome.result) {
    case RunResult::Uploaded:
      ++counts_.updated;
      break;
    case RunResult::Failed:
    case RunResult::Interrupted:
      ++counts_.failed;
      break;
    case RunResult::Declined:
      ++counts_.declined;
      break;
    case RunResult::Checked:
      ++counts_.other;
      break;
  }
  redrawLocked();
}

void ProgressArea::notStarted(const DeviceAddress& /*address*/) {
  const std::scoped_lock lock(mutex_);
  ++counts_.other;
  redrawLocked();
}

void ProgressArea::redrawLocked() {
  if (ending_) return;
  const auto rows = static_cast<std::size_t>(std::max(console_.terminalRows(), 4));
  console_.showArea(
      lines(running_, counts_, start_, Clock::now(), std::min(kMostDevicesShown, rows / 2)));
}

std::vector<std::u16string> ProgressArea::lines(const std::map<DeviceAddress, Running>& running,
                                                const Counts& counts, Clock::time_point start,
                                                Clock::time_point now, std::size_t mostDevices) {
  std::vector<std::pair<DeviceAddress, Running>> shown(running.begin(), running.end());
  if (shown.size() > mostDevices) {
    // The longest waits are those worth a look; the rest stay in address order.
    std::ranges::stable_sort(shown, {}, [](const auto& entry) { return entry.second.since; });
    shown.resize(mostDevices);
    std::ranges::sort(shown, {}, &std::pair<DeviceAddress, Running>::first);
  }
  std::vector<std::u16string> lines;
  lines.reserve(shown.size() + 1);
  for (const auto& [address, device] : shown) {
    lines.push_back(escapedDeviceText(address) + u"  " +
                    phaseText(device.change, secondsBetween(device.since, now)));
  }
  if (running.size() > shown.size()) {
    lines.push_back(translated(QT_TRANSLATE_NOOP("zedez", "... and %1 more under way"),
                               {number(static_cast<long long>(running.size() - shown.size()))}));
  }
  const std::size_t done = counts.updated + counts.failed + counts.declined + counts.other;
  const long long spent = secondsBetween(start, now);
  std::u16string total = translated(
      QT_TRANSLATE_NOOP("zedez", "%1 of %2 done: %3 updated, %4 failed, %5 declined; %6 spent"),
      {number(static_cast<long long>(done)), number(static_cast<long long>(counts.devices)),
       number(static_cast<long long>(counts.updated)),
       number(static_cast<long long>(counts.failed)),
       number(static_cast<long long>(counts.declined)), duration(spent)});
  if (done > 0 && done < counts.devices) {
    // As long again for the rest as the done ones took on average.
    const auto left =
        static_cast<long long>(static_cast<double>(spent) / static_cast<double>(done) *
                               static_cast<double>(counts.devices - done));
    total += translated(QT_TRANSLATE_NOOP("zedez", ", about %1 left"), {duration(left)});
  }
  lines.push_back(total);
  return lines;
}

}  // namespace app::cli
