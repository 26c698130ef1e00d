#include "app/cli/fleet_console.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "app/cli/interrupt_watch.h"
#include "app/cli/outcome_json.h"
#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
#include "app/core/handler_boundary.h"
#include "app/core/run_record.h"
#include "app/core/upload_workflow.h"
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

std::u16string requestName(RequestKind request) {
  return request == RequestKind::StateQuery ? translated(QT_TRANSLATE_NOOP("zedez", "state query"))
                                            : translated(QT_TRANSLATE_NOOP("zedez", "upload"));
}

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
  {
    const std::scoped_lock lock(runningMutex_);
    running_[address] = Running{std::chrono::steady_clock::now()};
  }
  if (area_ != nullptr) area_->deviceStarted(address);
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
  if (area_ != nullptr) {
    area_->phase(address, {.phase = ProgressArea::Phase::Sending, .sent = sent, .total = total});
  }
}

DialogResult FleetConsole::question(const DeviceAddress& address, const std::u16string& text) {
  if (!options_.answer) return DialogResult::Cancel;
  return options_.answer(address, escapedDeviceText(address) + u": " + escapedDeviceText(text));
}

void FleetConsole::tellWait(const DeviceAddress& address, const std::u16string& text) {
  if (!console_.stderrIsTerminal() || console_.quiet() || options_.verbose || area_ != nullptr) {
    return;
  }
  if (options_.nameDevices) {
    console_.errorLine(named(address, text));
  } else {
    console_.showPassing(text);
  }
}

void FleetConsole::verboseLine(const DeviceAddress& address, const std::u16string& text) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  console_.errorLine(number(seconds, 3) + u" s  " + escapedDeviceText(address) + u": " +
                     escapedDeviceText(text, kLongestStatusShown));
}

void FleetConsole::step(const DeviceAddress& address, const RunStep& step) {
  const std::u16string request =
      translated(QT_TRANSLATE_NOOP("zedez", "%1 to %2"), {requestName(step.request), step.target});
  const bool lastByte = step.kind == StepKind::Sent && step.bytes == step.total;
  if (area_ != nullptr && step.kind == StepKind::Request &&
      step.request == RequestKind::StateQuery) {
    area_->phase(address, {.phase = ProgressArea::Phase::ReadingState, .seconds = step.seconds});
  } else if (area_ != nullptr && lastByte) {
    area_->phase(address,
                 {.phase = ProgressArea::Phase::WaitingForAnswer, .seconds = step.seconds});
  }
  if (step.kind == StepKind::Request && step.request == RequestKind::StateQuery) {
    tellWait(address,
             translated(QT_TRANSLATE_NOOP("zedez", "waiting for the state of %1 (at most %2 s)"),
                        {step.target, count(step.seconds)}));
  } else if (lastByte) {
    tellWait(address,
             translated(QT_TRANSLATE_NOOP(
                            "zedez", "image sent; waiting for the answer of %1 (at most %2 s)"),
                        {step.target, count(step.seconds)}));
  }
  if (!options_.verbose) return;
  switch (step.kind) {
    case StepKind::Request:
      verboseLine(
          address,
          request + u": " + step.text +
              (step.total > 0
                   ? translated(QT_TRANSLATE_NOOP("zedez", ", %1 bytes"), {count64(step.total)})
                   : std::u16string()) +
              translated(QT_TRANSLATE_NOOP("zedez", " (at most %1 s)"), {count(step.seconds)}));
      break;
    case StepKind::Connected:
      verboseLine(address, request + u": " + translated(QT_TRANSLATE_NOOP("zedez", "connected")));
      break;
    case StepKind::Sent: {
      const std::int64_t quarter = step.total > 0 ? step.bytes * 4 / step.total : 4;
      {
        const std::scoped_lock lock(runningMutex_);
        auto& device = running_[address];
        if (quarter == device.quarterTold) break;
        device.quarterTold = quarter;
      }
      verboseLine(address, request + u": " +
                               translated(QT_TRANSLATE_NOOP("zedez", "%1 of %2 bytes sent"),
                                          {count64(step.bytes), count64(step.total)}));
      if (lastByte) {
        verboseLine(address, request + u": " +
                                 translated(QT_TRANSLATE_NOOP(
                                                "zedez", "waiting for the answer (at most %1 s)"),
                                            {count(step.seconds)}));
      }
      break;
    }
    case StepKind::Reply:
      verboseLine(
          address,
          request + u": " + translated(QT_TRANSLATE_NOOP("zedez", "answer %1"), {step.text}) +
              (step.request == RequestKind::StateQuery
                   ? translated(QT_TRANSLATE_NOOP("zedez", ", %1 bytes"), {count64(step.bytes)})
                   : std::u16string()));
      break;
    case StepKind::Failed:
      verboseLine(address, request + u": " +
                               translated(QT_TRANSLATE_NOOP("zedez", "failed: %1"), {step.text}));
      break;
  }
}

void FleetConsole::restartWaitStarted(const DeviceAddress& address, int seconds) {
  {
    const std::scoped_lock lock(runningMutex_);
    running_[address].restarting = true;
  }
  const std::u16string wait =
      translated(QT_TRANSLATE_NOOP("zedez", "waiting for the register to come back (at most %1 s)"),
                 {count(seconds)});
  if (options_.verbose) verboseLine(address, wait);
  tellWait(address, wait);
  if (area_ != nullptr) {
    area_->phase(address, {.phase = ProgressArea::Phase::Restarting, .seconds = seconds});
  }
}

void FleetConsole::outcome(const DeviceOutcome& outcome) {
  const DeviceAddress& address = outcome.address;
  {
    const std::scoped_lock lock(runningMutex_);
    running_.erase(address);
  }
  if (outcome.restart) {
    const auto& restart = *outcome.restart;
    // In the area's place the scrollback keeps results and causes: a register back on the
    // image's version needs no line besides its status line.
    const bool verifiedInArea = area_ != nullptr && outcome.verification == Verification::Verified;
    if (restart.stateAfter) {
      if (!verifiedInArea) {
        console_.errorLine(
            named(address, translated(QT_TRANSLATE_NOOP("zedez", "back after %1 s, version %2"),
                                      {number(restart.seconds, 1),
                                       escapedDeviceText(restart.stateAfter->versionText)})));
      }
      if (outcome.verification == Verification::WrongVersion && outcome.error) {
        console_.errorLine(
            named(address, translated(QT_TRANSLATE_NOOP("zedez", "verification failed: %1"),
                                      {escapedDeviceText(outcome.error->message)})));
      }
    } else {
      console_.errorLine(named(
          address,
          translated(QT_TRANSLATE_NOOP("zedez", "not back within %1 s: the update is unverified"),
                     {count(restart.waitSeconds)})));
    }
  }
  if (area_ != nullptr) area_->outcome(outcome);
  if (options_.json) {
    console_.outputLine(outcomeJson(outcome));
  } else {
    // Once the outcome is final: a register back on the old version is a failure.
    console_.outputLine(
        named(address, escapedDeviceText(outcomeLine(outcome), kLongestStatusShown)));
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
    const std::u16string by = text::utf8ToUtf16(signalName(signal));
    if (device.restarting) {
      outcome.status =
          translated(QT_TRANSLATE_NOOP("zedez",
                                       "interrupted by %1 while waiting for the register to come "
                                       "back: the update is unverified"),
                     {by});
    } else if (device.sent == 0) {
      outcome.status = translated(
          QT_TRANSLATE_NOOP("zedez", "interrupted by %1 before the image was sent"), {by});
    } else if (device.sent < device.total) {
      outcome.status =
          translated(QT_TRANSLATE_NOOP("zedez",
                                       "interrupted by %1 after %2 of %3 bytes of the image: the "
                                       "upload is cut off"),
                     {by, count64(device.sent), count64(device.total)});
      cut.push_back(address);
    } else {
      outcome.status =
          translated(QT_TRANSLATE_NOOP("zedez",
                                       "interrupted by %1 after the whole image was sent (%2 "
                                       "bytes), before the register answered"),
                     {by, count64(device.total)});
      cut.push_back(address);
    }
    outcome.error = FailureCause{"Interrupted", outcome.status, {}};
    if (options_.json) {
      console_.outputLine(outcomeJson(outcome));
    } else {
      console_.outputLine(named(address, outcome.status));
    }
    record(recordLine(outcome, std::chrono::system_clock::now()));
  }
  if (!cut.empty()) {
    console_.errorLine(listed(translated(QT_TRANSLATE_NOOP("zedez", "uploads cut off")), cut));
  }
}

void FleetConsole::diagnostic(const DeviceAddress& address, const std::u16string& line) {
  console_.errorLine(named(address, escapedDeviceText(line, kLongestStatusShown)));
}

void FleetConsole::notStarted(const DeviceAddress& address) {
  if (area_ != nullptr) area_->notStarted(address);
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
  std::u16string line = translated(
      tally.devices == 1
          ? QT_TRANSLATE_NOOP("zedez", "%1 device: %2 uploaded, %3 failed, %4 declined")
          : QT_TRANSLATE_NOOP("zedez", "%1 devices: %2 uploaded, %3 failed, %4 declined"),
      {count(tally.devices), count(tally.uploaded), count(tally.failed), count(tally.declined)});
  const auto add = [&line](int value, const char* text) {
    if (value > 0) line += u", " + translated(text, {count(value)});
  };
  add(tally.checked, QT_TRANSLATE_NOOP("zedez", "%1 checked"));
  add(tally.verified, QT_TRANSLATE_NOOP("zedez", "%1 verified"));
  add(tally.notBack, QT_TRANSLATE_NOOP("zedez", "%1 not back after the restart"));
  add(tally.notStarted, QT_TRANSLATE_NOOP("zedez", "%1 not started (interrupted)"));
  std::vector<std::u16string> lines{line};
  if (!tally.failedDevices.empty()) {
    lines.push_back(listed(translated(QT_TRANSLATE_NOOP("zedez", "failed")), tally.failedDevices));
  }
  if (!tally.unverifiedDevices.empty()) {
    lines.push_back(listed(translated(QT_TRANSLATE_NOOP("zedez", "unverified (not back)")),
                           tally.unverifiedDevices));
  }
  if (!tally.notStartedDevices.empty()) {
    lines.push_back(
        listed(translated(QT_TRANSLATE_NOOP("zedez", "not started")), tally.notStartedDevices));
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
