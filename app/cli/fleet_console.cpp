#include "app/cli/fleet_console.h"

#include <chrono>
#include <cstdio>
#include <utility>

#include "app/cli/outcome_json.h"
#include "app/cli/terminal_text.h"
#include "app/core/core_text.h"
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

std::u16string requestName(RequestKind request) {
  return request == RequestKind::StateQuery ? translated(QT_TRANSLATE_NOOP("zedez", "state query"))
                                            : translated(QT_TRANSLATE_NOOP("zedez", "upload"));
}

}  // namespace

FleetConsole::FleetConsole(Console& console, FleetConsoleOptions options)
    : console_(console), options_(std::move(options)) {}

void FleetConsole::deviceStarted(const DeviceAddress& address) {
  {
    const std::scoped_lock lock(runningMutex_);
    running_[address] = Running{};
  }
  if (area_ != nullptr) area_->deviceStarted(address);
}

void FleetConsole::phase(const DeviceAddress& address, const PhaseChange& change) {
  switch (change.phase) {
    case RunPhase::Sending:
      progress(address, change.sent, change.total);
      if (options_.verbose) sentQuarter(address, change);
      break;
    case RunPhase::WaitingForAnswer:
      if (area_ != nullptr) {
        area_->phase(address, change);
      }
      tellWait(address,
               translated(QT_TRANSLATE_NOOP(
                              "zedez", "image sent; waiting for the answer of %1 (at most %2 s)"),
                          {requestTarget(address, RequestKind::Upload), count(change.seconds)}));
      if (options_.verbose) {
        verboseLine(
            address,
            translated(
                QT_TRANSLATE_NOOP("zedez", "%1 to %2"),
                {requestName(RequestKind::Upload), requestTarget(address, RequestKind::Upload)}) +
                u": " +
                translated(QT_TRANSLATE_NOOP("zedez", "waiting for the answer (at most %1 s)"),
                           {count(change.seconds)}));
      }
      break;
    case RunPhase::Restarting:
      restartWaitStarted(address, change.seconds);
      break;
    case RunPhase::Verifying:
      if (area_ != nullptr) area_->phase(address, change);
      break;
    case RunPhase::ReadingState:
    case RunPhase::Done:
      break;
  }
}

void FleetConsole::progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) {
  // A list's uploads run side by side, so one progress line cannot show them.
  if (options_.showProgress) console_.showProgress(sent, total);
  if (area_ != nullptr) {
    area_->phase(address, {.phase = RunPhase::Sending, .sent = sent, .total = total});
  }
}

Answer FleetConsole::ask(const DeviceAddress& address, const Question& question) {
  if (!options_.answer) return Answer::No;
  return options_.answer(address, escapedDeviceText(address) + u": " +
                                      escapedDeviceText(questionWithVersions(question)));
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
  if (area_ != nullptr && step.kind == StepKind::Request &&
      step.request == RequestKind::StateQuery) {
    area_->phase(address, {.phase = RunPhase::ReadingState, .seconds = step.seconds});
  }
  if (step.kind == StepKind::Request && step.request == RequestKind::StateQuery) {
    tellWait(address,
             translated(QT_TRANSLATE_NOOP("zedez", "waiting for the state of %1 (at most %2 s)"),
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

void FleetConsole::sentQuarter(const DeviceAddress& address, const PhaseChange& change) {
  const std::int64_t quarter = change.total > 0 ? change.sent * 4 / change.total : 4;
  {
    const std::scoped_lock lock(runningMutex_);
    auto& device = running_[address];
    if (quarter == device.quarterTold) return;
    device.quarterTold = quarter;
  }
  verboseLine(address, translated(QT_TRANSLATE_NOOP("zedez", "%1 to %2"),
                                  {requestName(RequestKind::Upload),
                                   requestTarget(address, RequestKind::Upload)}) +
                           u": " +
                           translated(QT_TRANSLATE_NOOP("zedez", "%1 of %2 bytes sent"),
                                      {count64(change.sent), count64(change.total)}));
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
    area_->phase(address, {.phase = RunPhase::Restarting, .seconds = seconds});
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
    } else if (outcome.result != RunResult::Interrupted) {
      // A wait that a signal ended says so on its status line; it did not last the whole wait.
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
}

void FleetConsole::tellCutOff(const std::vector<DeviceAddress>& devices) {
  if (devices.empty()) return;
  console_.errorLine(
      listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "uploads cut off")), devices));
}

void FleetConsole::diagnostic(const DeviceAddress& address, const std::u16string& line) {
  console_.errorLine(named(address, escapedDeviceText(line, kLongestStatusShown)));
}

void FleetConsole::notStarted(const DeviceAddress& address) {
  if (area_ != nullptr) area_->notStarted(address);
  if (options_.json) console_.outputLine(notStartedJson(address));
}

void FleetConsole::recordFailed(const std::u16string& message) {
  tellRecordFailed(console_, message);
}

std::u16string FleetConsole::named(const DeviceAddress& address, const std::u16string& line) const {
  return options_.nameDevices ? escapedDeviceText(address) + u": " + line : line;
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
    lines.push_back(
        listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "failed")), tally.failedDevices));
  }
  if (!tally.unverifiedDevices.empty()) {
    lines.push_back(listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "unverified (not back)")),
                                  tally.unverifiedDevices));
  }
  if (!tally.notStartedDevices.empty()) {
    lines.push_back(listedDevices(translated(QT_TRANSLATE_NOOP("zedez", "not started")),
                                  tally.notStartedDevices));
  }
  return lines;
}

void tellRecordFailed(Console& console, const std::u16string& message) {
  console.errorLine(u"zedez-updater: " + message);
}

}  // namespace app::cli
