#include "app/program.h"

#include <QApplication>
#include <chrono>

#include "app/cli/command_line.h"
#include "app/cli/console.h"
#include "app/cli/fleet_command.h"
#include "app/cli/fleet_console.h"
#include "app/cli/history.h"
#include "app/cli/outcome_json.h"
#include "app/cli/terminal_text.h"
#include "app/cli/version_report.h"
#include "app/core/core_text.h"
#include "app/core/device_run.h"
#include "app/core/run_record.h"
#include "app/l10n/translations.h"
#include "app/window/main_window.h"
#include "app/window/shop_start.h"
#include "app/window/start_up.h"

namespace app {

using cli::CommandLine;
using cli::Console;

namespace {
bool displayAvailable() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int exitCode(const CommandLine& line, int code) { return line.exitStatus ? code : 0; }

// The outcome on standard output, and in the record when one is kept. Gives the exit code
// that --exit-status asks for.
int report(const CommandLine& line, const DeviceOutcome& outcome, Console& console) {
  if (line.json) {
    console.outputLine(cli::outcomeJson(outcome));
  } else {
    // An error box leaves the status line as it was; the line says what ended the run.
    const std::u16string line = outcomeLine(outcome);
    console.outputLine(
        cli::escapedDeviceText(line.empty() && outcome.error ? outcome.error->message : line, 400));
  }
  if (!line.recordFile.isEmpty() &&
      !cli::recordOutcome(line.recordFile.toStdString(),
                          recordLine(outcome, std::chrono::system_clock::now()), console)) {
    return 1;
  }
  return exitCodeOf(outcome.result);
}

int runInWindow(const CommandLine& line, Console& console) {
  if (!line.address.empty() && !cli::recordFileWritable(console, line.recordFile.toStdString())) {
    return cli::kExitRecordUnwritable;
  }
  RunChoices choices{line.answer, {}};
  const auto start = std::chrono::steady_clock::now();
  if (!line.json && !line.address.empty()) {
    choices.onProgress = [&console](std::int64_t sent, std::int64_t total) {
      console.showProgress(sent, total);
    };
  }
  std::vector<std::u16string> arguments;
  if (!line.address.empty()) arguments.push_back(line.address);
  MainWindow window(arguments, UploadAction{}, choices);
  const auto seconds = std::chrono::steady_clock::now() - start;
  runMessageLoop(window);
  if (line.address.empty()) return 0;

  DeviceOutcome outcome = window.uploadOutcome();
  outcome.address = line.address;
  outcome.seconds = std::chrono::duration<double>(seconds).count();
  tellCauses(outcome, [&console](const std::u16string& text) {
    console.errorLine(cli::escapedDeviceText(text, 400));
  });
  return exitCode(line, report(line, outcome, console));
}

int runCommandLine(const CommandLine& line, bool display) {
  Console console;
  console.setQuiet(line.quiet);
  if (!line.usageError.isEmpty()) {
    return cli::usageFailure(console, cli::usageErrorText(line).toStdU16String());
  }
  if (line.help) {
    console.outputLine(cli::helpText().trimmed().toStdU16String());
    return 0;
  }
  if (line.version) {
    const std::string text = cli::versionReport();
    console.outputLine(std::string_view(text).substr(0, text.size() - 1));
    return 0;
  }
  // Only the window's run ignores further arguments, as it always has.
  const bool windowRun = display && !line.headless && !line.check && !line.verbose &&
                         !line.registers && line.historyFile.isEmpty() &&
                         !cli::isFleetCommand(line);
  if (!line.secondAddress.isEmpty() && !windowRun) {
    return cli::usageFailure(console, cli::secondAddressError(line).toStdU16String());
  }
  if (!line.historyFile.isEmpty()) {
    return cli::printHistory(line.historyFile, line.address, line.json, console);
  }
  if (cli::isFleetCommand(line)) return cli::runFleetCommand(line, console);
  if (line.registers && display) return runShopWindow(line.recordFile.toStdString());
  if (line.address.empty() && line.headless) {
    return cli::usageFailure(
        console, translated(QT_TRANSLATE_NOOP(
                     "zedez", "--headless needs a device address, --devices FILE or --scan CIDR")));
  }
  if (line.address.empty() && !display) {
    return cli::usageFailure(
        console, translated(QT_TRANSLATE_NOOP("zedez",
                                              "no device address, and the window needs a display "
                                              "(DISPLAY or WAYLAND_DISPLAY); to run without one, "
                                              "give the address: zedez-updater [--yes|--no] "
                                              "ADDRESS")));
  }
  // Without a window one device runs as a list of one does, with the same lines and records.
  // --verbose tells the steps of a run without a window.
  if (!display || line.headless || line.check || line.verbose) {
    return cli::runFleetCommand(line, console);
  }
  return runInWindow(line, console);
}

}  // namespace

int runProgram(int argc, char* argv[]) {
  const bool display = displayAvailable();
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  // Qt's own options (-platform, -style, ...) are known to the parser, and the window's
  // application takes them out of argv for itself.
  const CommandLine line = cli::parseCommandLine(arguments);
  const bool windowless =
      !display || (line.usageError.isEmpty() &&
                   (line.help || line.version || line.headless || line.check || line.verbose ||
                    !line.historyFile.isEmpty() || cli::isFleetCommand(line)));
  if (windowless) {
    // Runs that open no window need no display and no platform at all; should anything
    // reach for one, Qt's offscreen platform is there instead of an abort.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QCoreApplication application(argc, argv);
    describeApplication();
    l10n::installTranslations();
    return runCommandLine(line, display);
  }
  const QApplication application(argc, argv);
  describeApplication();
  l10n::installTranslations();
  return runCommandLine(line, display);
}

}  // namespace app
