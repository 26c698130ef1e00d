#include "app/program.h"

#include <QApplication>
#include <memory>
#include <optional>

#include "app/cli/command_line.h"
#include "app/cli/console.h"
#include "app/cli/fleet_command.h"
#include "app/cli/fleet_console.h"
#include "app/cli/history.h"
#include "app/cli/outcome_json.h"
#include "app/cli/run_choice.h"
#include "app/cli/terminal_text.h"
#include "app/cli/version_report.h"
#include "app/core/core_text.h"
#include "app/core/device_run.h"
#include "app/core/interrupt_watch.h"
#include "app/core/record_sink.h"
#include "app/core/run_identity.h"
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

// The window's run of the address on the command line: the outcome as the engine gave it,
// on standard output, after the window has closed. The engine has written its record.
int runInWindow(const CommandLine& line, Console& console) {
  if (!line.address.empty() && !cli::recordFileWritable(console, line.recordFile.toStdString())) {
    return cli::kExitRecordUnwritable;
  }
  RunChoices choices;
  if (line.answer) {
    choices.presetAnswer = *line.answer == Answer::Yes ? DialogResult::Ok : DialogResult::Cancel;
  }
  // A preset answer is no consent to install over a newer version; --allow-older is.
  choices.allowOlder = line.allowOlder;
  if (!line.json && !line.address.empty()) {
    choices.onProgress = [&console](std::int64_t sent, std::int64_t total) {
      console.showProgress(sent, total);
    };
  }
  if (!line.address.empty()) {
    choices.onDiagnostic = [&console](const std::u16string& text) {
      console.errorLine(cli::escapedDeviceText(text, cli::kLongestStatusShown));
    };
  }
  std::optional<RecordFile> record;
  bool recordFailed = false;
  if (!line.address.empty() && !line.recordFile.isEmpty()) {
    choices.record = &record.emplace(line.recordFile.toStdString());
    choices.onRecordFailed = [&console, &recordFailed](const std::u16string& message) {
      cli::tellRecordFailed(console, message);
      recordFailed = true;
    };
  }
  std::vector<std::u16string> arguments;
  if (!line.address.empty()) arguments.push_back(line.address);
  MainWindow window(arguments, UploadAction{}, choices);
  runMessageLoop(window);
  if (line.address.empty()) return 0;

  const DeviceOutcome& outcome = window.uploadOutcome();
  if (line.json) {
    console.outputLine(cli::outcomeJson(outcome));
  } else {
    // An error box leaves the status line as it was; the line says what ended the run.
    const std::u16string text = outcomeLine(outcome);
    console.outputLine(cli::escapedDeviceText(
        text.empty() && outcome.error ? outcome.error->message : text, cli::kLongestStatusShown));
  }
  return exitCode(line, recordFailed ? 1 : exitCodeOf(outcome.result));
}

// The site that the runs' record lines name.
void takeSite(const CommandLine& line) {
  if (!line.site.isEmpty()) setRunSite(line.site.toStdU16String());
}

int runCommandLine(const CommandLine& line, const cli::RunChoice& choice, InterruptWatch* watch) {
  Console console;
  console.setQuiet(line.quiet);
  switch (choice.kind) {
    case cli::RunKind::UsageError:
      return cli::usageFailure(console, cli::usageMessage(line, choice.usage));
    case cli::RunKind::Help:
      console.outputLine(cli::helpText().trimmed().toStdU16String());
      return 0;
    case cli::RunKind::Version: {
      const std::string text = cli::versionReport();
      console.outputLine(std::string_view(text).substr(0, text.size() - 1));
      return 0;
    }
    case cli::RunKind::History:
      return cli::printHistory(line.history, line.json, console);
    case cli::RunKind::Scan:
    case cli::RunKind::List:
    case cli::RunKind::Check:
    case cli::RunKind::Headless:
      takeSite(line);
      return cli::runFleetCommand(line, console);
    case cli::RunKind::RegistersWindow:
      takeSite(line);
      return runShopWindow(line.recordFile.toStdString(), *watch);
    case cli::RunKind::Window:
      break;
  }
  takeSite(line);
  return runInWindow(line, console);
}

}  // namespace

int runProgram(int argc, char* argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
  // Qt's own options (-platform, -style, ...) are known to the parser, and the window's
  // application takes them out of argv for itself.
  const CommandLine line = cli::parseCommandLine(arguments);
  const cli::RunChoice choice = cli::chooseRun(line, displayAvailable());
  // The shop window ends on a signal as a list does. The watch comes before the application,
  // so that no thread of the toolkit takes the signals either.
  std::optional<InterruptWatch> watch;
  if (choice.kind == cli::RunKind::RegistersWindow) watch.emplace();
  std::unique_ptr<QCoreApplication> application;
  if (choice.opensWindow()) {
    application = std::make_unique<QApplication>(argc, argv);
  } else {
    // Runs that open no window need no display and no platform at all; should anything
    // reach for one, Qt's offscreen platform is there instead of an abort.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = std::make_unique<QCoreApplication>(argc, argv);
  }
  describeApplication();
  l10n::installTranslations();
  return runCommandLine(line, choice, watch ? &*watch : nullptr);
}

}  // namespace app
