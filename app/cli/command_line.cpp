#include "app/cli/command_line.h"

#include <QCommandLineParser>
#include <cstring>

namespace app::cli {
namespace {

const char* const kDescription =
    "Updates ZEDEZ in a Brenvo Tesmora cash register. Without an address the window opens;\n"
    "with one the update runs at once and the program ends by itself.\n"
    "\n"
    "Without --exit-status the exit code is 0. With it: 0 uploaded (or checked), 1 failed,\n"
    "2 declined because the device is current, 64 a wrong command line. Over a device\n"
    "list: 1 when any device failed, did not come back or was not started, else 0.";

// Qt's own options, which QApplication takes out of the command line for itself: known here
// so that one parse serves both, hidden from the help.
void addQtOptions(QCommandLineParser& parser) {
  for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                           "qmljsdebugger", "qwindowgeometry", "qwindowicon", "qwindowtitle",
                           "session", "display", "geometry", "style", "stylesheet"}) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
  for (const char* name : {"reverse", "widgetcount", "nograb", "dograb"}) {
    QCommandLineOption option(QString::fromLatin1(name));
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  }
}

// The options, in the order the help lists them.
struct Options {
  QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                          QStringLiteral("Show this help and end.")};
  QCommandLineOption version{QStringLiteral("version"),
                             QStringLiteral("Show the version and the firmware image.")};
  QCommandLineOption headless{
      QStringLiteral("headless"),
      QStringLiteral("Run without a window, also where a display is available.")};
  QCommandLineOption yes{QStringLiteral("yes"),
                         QStringLiteral("Upload also to a current device, without asking.")};
  QCommandLineOption no{QStringLiteral("no"),
                        QStringLiteral("Upload nothing to a current device, without asking.")};
  QCommandLineOption check{
      QStringLiteral("check"),
      QStringLiteral("Read the version and tell whether an upload would ask; upload nothing.")};
  QCommandLineOption json{QStringLiteral("json"),
                          QStringLiteral("Print the outcome as one JSON object per device.")};
  QCommandLineOption exitStatus{QStringLiteral("exit-status"),
                                QStringLiteral("Make the exit code tell the outcome.")};
  QCommandLineOption record{
      QStringLiteral("record"),
      QStringLiteral("Append one JSON line per device to FILE: time, host, user, address, "
                     "versions before and after, image, result, verification, cause."),
      QStringLiteral("FILE")};
  QCommandLineOption history{
      QStringLiteral("history"),
      QStringLiteral("Print the record in FILE as a table, newest last (with an address: only "
                     "that device; with --json: the lines as they are)."),
      QStringLiteral("FILE")};
  QCommandLineOption registers{
      QStringLiteral("registers"),
      QStringLiteral("Open the window that finds the registers in this PC's networks, shows "
                     "their versions and updates those selected (with --record: appends there).")};

  explicit Options(QCommandLineParser& parser) {
    parser.setApplicationDescription(QString::fromLatin1(kDescription));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions(
        {help, version, headless, yes, no, check, json, exitStatus, record, history, registers});
    addFleetOptions(parser);
    addQtOptions(parser);
    parser.addPositionalArgument(QStringLiteral("address"),
                                 QStringLiteral("The cash register's address (IP or host name)."),
                                 QStringLiteral("[address]"));
  }
};

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const Options options(parser);
  CommandLine line;
  if (!parser.parse(withWaitRestartValue(arguments))) {
    line.usageError = parser.errorText();
    // Still honoured, so that a script sees the usage error in the exit code.
    line.exitStatus = arguments.contains(QStringLiteral("--exit-status"));
    return line;
  }
  line.help = parser.isSet(options.help);
  line.version = parser.isSet(options.version);
  line.headless = parser.isSet(options.headless);
  line.check = parser.isSet(options.check);
  line.json = parser.isSet(options.json);
  line.exitStatus = parser.isSet(options.exitStatus);
  line.recordFile = parser.value(options.record);
  line.historyFile = parser.value(options.history);
  if (parser.isSet(options.yes) && parser.isSet(options.no)) {
    line.usageError = QStringLiteral("--yes and --no exclude each other.");
  } else if (parser.isSet(options.yes)) {
    line.answer = DialogResult::Ok;
  } else if (parser.isSet(options.no)) {
    line.answer = DialogResult::Cancel;
  }
  line.fleet = readFleetOptions(parser, line.usageError);
  const QStringList positional = parser.positionalArguments();
  if (!positional.isEmpty()) line.address = positional.constFirst().toStdU16String();
  if (line.usageError.isEmpty() && !line.historyFile.isEmpty() &&
      (line.check || line.fleet.listOrScan() || !line.recordFile.isEmpty())) {
    line.usageError = QStringLiteral("--history only reads a record; it runs nothing else.");
  }
  line.registers = parser.isSet(options.registers);
  if (line.usageError.isEmpty() && line.registers &&
      (!line.address.empty() || line.headless || line.check || line.fleet.listOrScan() ||
       !line.historyFile.isEmpty())) {
    line.usageError = QStringLiteral(
        "--registers opens a window of its own; it takes no address, --headless, --check, "
        "--devices, --scan or --history.");
  }
  if (line.usageError.isEmpty() && line.check && line.address.empty() && !line.help &&
      !line.version && !line.fleet.listOrScan()) {
    line.usageError = QStringLiteral("--check needs a device address.");
  }
  return line;
}

QString helpText() {
  QCommandLineParser parser;
  const Options options(parser);
  return parser.helpText();
}

}  // namespace app::cli
