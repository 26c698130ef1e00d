#include "app/cli/command_line.h"

#include <QCommandLineParser>
#include <QRegularExpression>
#include <csignal>

#include "app/cli/console.h"
#include "app/core/core_text.h"

namespace app::cli {
namespace {

QString localText(const char* source) { return QString::fromStdU16String(translated(source)); }

const char* const kDescription = QT_TRANSLATE_NOOP(
    "zedez",
    "Updates ZEDEZ in a Brenvo Tesmora cash register. Without an address the window opens;\n"
    "with one the update runs at once and the program ends by itself.\n"
    "\n"
    "Exit codes: a device list, a scan, a check and --history give theirs always; the single\n"
    "update gives 0 unless --exit-status is given.\n"
    "  0   uploaded (and verified, when waited for), or checked with nothing to update\n"
    "  %1   failed, not back after the restart, not started, or a record not written\n"
    "  %2   declined: the device is current and the answer was No, or the plan was declined\n"
    "  %3   nothing to do: the device list names no device\n"
    "  %4  a wrong command line\n"
    "  %5  the record file cannot be written: nothing was sent\n"
    "  %6 checked: a device is older than this image (an update is available)\n"
    "  %7 (128 + the signal) ended by SIGINT, SIGTERM or SIGHUP after the running\n"
    "      uploads finished; %8 standard output was closed\n"
    "\n"
    "At a terminal a device list first reads every register, shows what it would do and asks\n"
    "once; --yes skips that.");

std::u16string number(int value) { return QString::number(value).toStdU16String(); }

// The description with the exit codes the program gives.
std::u16string exitCodesFilledIn(const char* description) {
  const auto bySignal = [](int signal) { return number(128 + signal); };
  return translated(
      description,
      {number(kExitFailed), number(kExitDeclined), number(kExitNothingToDo), number(kExitUsage),
       number(kExitRecordUnwritable), number(kExitUpdatesAvailable),
       bySignal(SIGINT) + u", " + bySignal(SIGTERM) + u", " + bySignal(SIGHUP), bySignal(SIGPIPE)});
}

// Qt's own texts of the help and of the parser's errors, here for the translation to carry.
[[maybe_unused]] constexpr const char* kQtTexts[] = {
    QT_TRANSLATE_NOOP("QCommandLineParser", "Usage: %1"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Options:"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Arguments:"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "[options]"),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown option '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unknown options: %1."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Missing value after '%1'."),
    QT_TRANSLATE_NOOP("QCommandLineParser", "Unexpected value after '%1'."),
};

// Options of one letter may be written together ("-yq") and -j with its number ("-j8"); the
// parser takes single-dash words as long options, so they are set apart here.
QStringList withShortOptionsApart(const QStringList& arguments) {
  static const QRegularExpression flags(QStringLiteral("^-[ynvq]{2,}$"));
  static const QRegularExpression jobs(QStringLiteral("^-([ynvq]*)j([0-9]+)$"));
  QStringList apart;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--")) {
      apart += arguments.mid(i);
      break;
    }
    const QRegularExpressionMatch jobsMatch = jobs.match(argument);
    if (i > 0 && flags.match(argument).hasMatch()) {
      for (const QChar letter : argument.mid(1)) apart += QLatin1Char('-') + letter;
    } else if (i > 0 && jobsMatch.hasMatch()) {
      for (const QChar letter : jobsMatch.captured(1)) apart += QLatin1Char('-') + letter;
      apart += {QStringLiteral("-j"), jobsMatch.captured(2)};
    } else {
      apart += argument;
    }
  }
  return apart;
}

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
                          localText(QT_TRANSLATE_NOOP("zedez", "Show this help and end."))};
  QCommandLineOption version{
      QStringLiteral("version"),
      localText(QT_TRANSLATE_NOOP("zedez", "Show the version and the firmware image."))};
  QCommandLineOption headless{
      QStringLiteral("headless"),
      localText(
          QT_TRANSLATE_NOOP("zedez", "Run without a window, also where a display is available."))};
  QCommandLineOption yes{
      {QStringLiteral("y"), QStringLiteral("yes")},
      localText(QT_TRANSLATE_NOOP("zedez", "Upload also to a current device, without asking."))};
  QCommandLineOption no{
      {QStringLiteral("n"), QStringLiteral("no")},
      localText(QT_TRANSLATE_NOOP("zedez", "Upload nothing to a current device, without asking."))};
  QCommandLineOption allowOlder{
      QStringLiteral("allow-older"),
      localText(QT_TRANSLATE_NOOP("zedez",
                                  "Install the image also on a register whose version is newer "
                                  "(a downgrade); without it such a register is left as it "
                                  "is."))};
  QCommandLineOption check{
      QStringLiteral("check"),
      localText(QT_TRANSLATE_NOOP(
          "zedez", "Read the version and tell whether an upload would ask; upload nothing."))};
  QCommandLineOption json{
      QStringLiteral("json"),
      localText(QT_TRANSLATE_NOOP("zedez", "Print the outcome as one JSON object per device."))};
  QCommandLineOption exitStatus{
      QStringLiteral("exit-status"),
      localText(
          QT_TRANSLATE_NOOP("zedez", "Make the exit code of the single update tell its outcome."))};
  QCommandLineOption verbose{
      {QStringLiteral("v"), QStringLiteral("verbose")},
      localText(QT_TRANSLATE_NOOP("zedez",
                                  "Write each step with its time to standard error: connect, "
                                  "request, answer, bytes, time-outs."))};
  QCommandLineOption quiet{
      {QStringLiteral("q"), QStringLiteral("quiet")},
      localText(QT_TRANSLATE_NOOP("zedez",
                                  "Print the results and causes only: no progress, waits or "
                                  "summary."))};
  QCommandLineOption record{
      QStringLiteral("record"),
      localText(QT_TRANSLATE_NOOP("zedez",
                                  "Append one JSON line per device to FILE: time, host, user, "
                                  "address, versions before and after, image, result, "
                                  "verification, cause.")),
      placeholder(kFilePlaceholder)};
  QCommandLineOption registers{
      QStringLiteral("registers"),
      localText(QT_TRANSLATE_NOOP("zedez",
                                  "Open the window that finds the registers in this PC's "
                                  "networks, shows their versions and updates those "
                                  "selected (with --record: appends there)."))};

  explicit Options(QCommandLineParser& parser) {
    parser.setApplicationDescription(QString::fromStdU16String(exitCodesFilledIn(kDescription)));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({help, version, headless, yes, no, allowOlder, check, json, exitStatus,
                       verbose, quiet, record, registers});
    addFleetOptions(parser);
    addHistoryOptions(parser);
    addQtOptions(parser);
    parser.addPositionalArgument(
        placeholder(kAddressPlaceholder),
        localText(QT_TRANSLATE_NOOP("zedez",
                                    "The cash register's address (an IPv4 address or a host "
                                    "name).")),
        QLatin1Char('[') + placeholder(kAddressPlaceholder) + QLatin1Char(']'));
  }
};

// An option that the rest of the line would leave without effect.
QString conflictOf(const CommandLine& line, const QCommandLineParser& parser) {
  const FleetRequest& fleet = line.fleet;
  const auto says = [](const char* source, const QString& arg = {}) {
    return QString::fromStdU16String(translated(source, {arg.toStdU16String()}));
  };
  if (!line.address.empty() && fleet.listOrScan()) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "give a device address, --devices or --scan, not "
                                  "several"));
  }
  const bool retry = fleet.retries || fleet.retryDelaySeconds;
  if (line.history.requested() &&
      (line.check || fleet.listOrScan() || !line.recordFile.isEmpty() || line.answer ||
       fleet.waitRestartSeconds || parser.isSet(QStringLiteral("jobs")) || retry)) {
    return says(QT_TRANSLATE_NOOP("zedez", "--history only reads a record; it runs nothing else"));
  }
  if (line.registers && (!line.address.empty() || line.headless || line.check ||
                         fleet.listOrScan() || line.history.requested() || line.verbose)) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "--registers opens a window of its own; it takes no "
                                  "address, --headless, --check, --devices, --scan, "
                                  "--history or --verbose"));
  }
  if (line.quiet && line.verbose) {
    return says(QT_TRANSLATE_NOOP("zedez", "--quiet and --verbose exclude each other"));
  }
  if (line.check && fleet.waitRestartSeconds) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "--wait-restart does nothing with --check: a check "
                                  "uploads nothing"));
  }
  if (line.check && line.answer) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "--yes and --no do nothing with --check: a check "
                                  "uploads nothing"));
  }
  if (fleet.scanRange &&
      (line.answer || fleet.waitRestartSeconds || line.check || !line.recordFile.isEmpty() ||
       parser.isSet(QStringLiteral("jobs")) || retry)) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "--scan only finds registers; to update or check "
                                  "them, feed its output to --devices -"));
  }
  if (retry && line.address.empty() && !fleet.devicesFile) {
    return says(QT_TRANSLATE_NOOP("zedez",
                                  "--retry needs a device address or a list of devices "
                                  "(--devices)"));
  }
  if (fleet.retryDelaySeconds && !fleet.retries) {
    return says(QT_TRANSLATE_NOOP("zedez", "--retry-delay does nothing without --retry"));
  }
  if (parser.isSet(QStringLiteral("jobs")) && !fleet.devicesFile) {
    return says(QT_TRANSLATE_NOOP("zedez", "--jobs needs a list of devices (--devices)"));
  }
  if (line.check && line.address.empty() && !fleet.listOrScan()) {
    return says(QT_TRANSLATE_NOOP("zedez", "--check needs a device address"));
  }
  return {};
}

}  // namespace

CommandLine parseCommandLine(const QStringList& arguments) {
  QCommandLineParser parser;
  const Options options(parser);
  CommandLine line;
  line.arguments = arguments;
  if (!parser.parse(withWaitRestartValue(withShortOptionsApart(arguments)))) {
    line.usageError = parser.errorText();
    return line;
  }
  line.help = parser.isSet(options.help);
  line.version = parser.isSet(options.version);
  line.headless = parser.isSet(options.headless);
  line.check = parser.isSet(options.check);
  line.json = parser.isSet(options.json);
  line.exitStatus = parser.isSet(options.exitStatus);
  line.verbose = parser.isSet(options.verbose);
  line.quiet = parser.isSet(options.quiet);
  line.recordFile = parser.value(options.record);
  line.site = siteOption(parser);
  line.allowOlder = parser.isSet(options.allowOlder);
  if (parser.isSet(options.yes) && parser.isSet(options.no)) {
    line.usageError = localText(QT_TRANSLATE_NOOP("zedez", "--yes and --no exclude each other"));
  } else if (parser.isSet(options.yes)) {
    line.answer = Answer::Yes;
  } else if (parser.isSet(options.no)) {
    line.answer = Answer::No;
  }
  line.fleet = readFleetOptions(parser, line.usageError);
  line.history = readHistoryOptions(parser, line.usageError);
  const QStringList positional = parser.positionalArguments();
  if (line.history.requested()) {
    line.address = line.history.address;
  } else {
    if (!positional.isEmpty()) line.address = positional.constFirst().toStdU16String();
    if (positional.size() > 1) line.secondAddress = positional[1];
  }
  line.registers = parser.isSet(options.registers);
  if (line.usageError.isEmpty() && !line.help && !line.version) {
    line.usageError = conflictOf(line, parser);
  }
  return line;
}

QString usageErrorText(const CommandLine& line) {
  if (line.arguments.isEmpty()) return line.usageError;
  return parseCommandLine(line.arguments).usageError;
}

QString secondAddressError(const CommandLine& line) {
  return QString::fromStdU16String(
      translated(QT_TRANSLATE_NOOP("zedez",
                                   "a second address \"%1\": give one address, or a "
                                   "list of them with --devices"),
                 {line.secondAddress.toStdU16String()}));
}

QString helpText() {
  QCommandLineParser parser;
  const Options options(parser);
  // The seconds of --wait-restart may be left out, which the parser cannot show.
  const QString seconds = placeholder(kSecondsPlaceholder);
  return parser.helpText().replace(QStringLiteral("--wait-restart <%1>").arg(seconds),
                                   QStringLiteral("--wait-restart [%1]").arg(seconds));
}

}  // namespace app::cli
