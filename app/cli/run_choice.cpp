#include "app/cli/run_choice.h"

#include "app/cli/fleet_command.h"
#include "app/core/core_text.h"

namespace app::cli {
namespace {

RunChoice usageError(RunChoice::Usage usage) { return {RunKind::UsageError, usage}; }

// A run that needs no window: the kind it is, or none.
RunKind windowlessKind(const CommandLine& line) {
  if (line.fleet.scanRange) return RunKind::Scan;
  if (line.fleet.devicesFile) return RunKind::List;
  return line.check ? RunKind::Check : RunKind::Headless;
}

}  // namespace

RunChoice chooseRun(const CommandLine& line, bool display) {
  if (!line.usageError.isEmpty()) return usageError(RunChoice::Usage::Parse);
  if (line.help) return {RunKind::Help};
  if (line.version) return {RunKind::Version};
  const bool fleet = isFleetCommand(line);
  // Only the window's run ignores further arguments, as it always has.
  const bool windowRun = display && !line.headless && !line.check && !line.verbose &&
                         !line.registers && !line.history.requested() && !fleet;
  if (!line.secondAddress.isEmpty() && !windowRun) {
    return usageError(RunChoice::Usage::SecondAddress);
  }
  if (line.history.requested()) return {RunKind::History};
  if (fleet) return {windowlessKind(line)};
  if (line.registers && display) return {RunKind::RegistersWindow};
  if (line.address.empty() && line.headless) {
    return usageError(RunChoice::Usage::HeadlessWithoutAddress);
  }
  if (line.address.empty() && !display) return usageError(RunChoice::Usage::NoDisplay);
  // Without a window one device runs as a list of one does, with the same lines and records.
  // --verbose tells the steps of a run without a window.
  if (!display || line.headless || line.check || line.verbose) return {windowlessKind(line)};
  return {RunKind::Window};
}

std::u16string usageMessage(const CommandLine& line, RunChoice::Usage usage) {
  switch (usage) {
    case RunChoice::Usage::Parse:
      return usageErrorText(line).toStdU16String();
    case RunChoice::Usage::SecondAddress:
      return secondAddressError(line).toStdU16String();
    case RunChoice::Usage::HeadlessWithoutAddress:
      return translated(QT_TRANSLATE_NOOP(
          "zedez", "--headless needs a device address, --devices FILE or --scan CIDR"));
    case RunChoice::Usage::NoDisplay:
      return translated(QT_TRANSLATE_NOOP("zedez",
                                          "no device address, and the window needs a display "
                                          "(DISPLAY or WAYLAND_DISPLAY); to run without one, "
                                          "give the address: zedez-updater [--yes|--no] "
                                          "ADDRESS"));
    case RunChoice::Usage::None:
      break;
  }
  return {};
}

}  // namespace app::cli
