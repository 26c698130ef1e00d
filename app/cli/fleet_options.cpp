#include "app/cli/fleet_options.h"

#include <QRegularExpression>

#include "app/core/core_text.h"
#include "app/core/fleet/address_range.h"
#include "app/core/restart_wait.h"

namespace app::cli {
namespace {

constexpr QLatin1StringView kDevices("devices");
constexpr QLatin1StringView kJobs("jobs");
constexpr QLatin1StringView kScan("scan");
constexpr QLatin1StringView kWaitRestart("wait-restart");
constexpr QLatin1StringView kRetry("retry");
constexpr QLatin1StringView kRetryDelay("retry-delay");

QString localText(const char* source, std::initializer_list<std::u16string_view> args = {}) {
  return QString::fromStdU16String(translated(source, args));
}

std::u16string number(int value) { return QString::number(value).toStdU16String(); }

// The number an option gives, when it is one from least to most; none otherwise.
std::optional<int> boundedValue(const QCommandLineParser& parser, QLatin1StringView name, int least,
                                int most) {
  bool ok = false;
  const int value = parser.value(name).toInt(&ok);
  if (!ok || value < least || value > most) return std::nullopt;
  return value;
}

bool isWaitRestart(const QString& argument) {
  return argument == QLatin1String("--wait-restart") || argument == QLatin1String("-wait-restart");
}

}  // namespace

QString placeholder(const char* source) { return localText(source); }

QStringList withWaitRestartValue(const QStringList& arguments) {
  static const QRegularExpression seconds(QStringLiteral("^[0-9]+$"));
  QStringList rewritten;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& argument = arguments[i];
    if (argument == QLatin1String("--")) {
      rewritten += arguments.mid(i);
      break;
    }
    if (i == 0 || !isWaitRestart(argument)) {
      rewritten += argument;
    } else if (i + 1 < arguments.size() && seconds.match(arguments[i + 1]).hasMatch()) {
      rewritten += QStringLiteral("--wait-restart=") + arguments[++i];
    } else {
      rewritten += QStringLiteral("--wait-restart=%1").arg(kDefaultRestartWaitSeconds);
    }
  }
  return rewritten;
}

void addFleetOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {kDevices,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "Update every device listed in FILE, one address a line "
                                   "(\"-\": standard input; blank lines and # comments are "
                                   "skipped; an address named twice runs once).")),
       placeholder(kFilePlaceholder)},
      QCommandLineOption(
          QStringList{QStringLiteral("j"), QString(kJobs)},
          localText(QT_TRANSLATE_NOOP("zedez",
                                      "Devices of a list updated at once, 1 to %1 (default %2)."),
                    {number(kMostJobs), number(kDefaultJobs)}),
          placeholder(kJobsPlaceholder)),
      {kScan,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "Find the registers in CIDR (at most a /%1) and print each "
                                   "with its version; uploads nothing."),
                 {number(fleet::kWidestScanPrefix)}),
       placeholder(kRangePlaceholder)},
      {kWaitRestart,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "After an upload wait until the device answers again, at "
                                   "most SECONDS (default %1), and verify that it runs the "
                                   "image's version. A list does this by default; 0 turns it "
                                   "off."),
                 {number(kDefaultRestartWaitSeconds)}),
       placeholder(kSecondsPlaceholder)},
      {kRetry,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "Try a register again, up to N more times (at most %1), when "
                                   "it refused the connection or did not answer, before any "
                                   "byte of the image could have been sent; never once it "
                                   "answered the upload. Default: no retry."),
                 {number(kMostRetries)}),
       placeholder(kJobsPlaceholder)},
      {kRetryDelay,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "Wait SECONDS before each further try, 0 to %1 (default "
                                   "%2)."),
                 {number(kMostRetryDelaySeconds), number(kDefaultRetryDelaySeconds)}),
       placeholder(kSecondsPlaceholder)},
  });
}

FleetRequest readFleetOptions(const QCommandLineParser& parser, QString& usageError) {
  FleetRequest request;
  if (parser.isSet(kDevices)) request.devicesFile = parser.value(kDevices);
  if (parser.isSet(kScan)) request.scanRange = parser.value(kScan);
  if (parser.isSet(kJobs)) {
    bool ok = false;
    request.jobs = parser.value(kJobs).toInt(&ok);
    if (!ok || request.jobs < 1 || request.jobs > kMostJobs) {
      usageError = localText(QT_TRANSLATE_NOOP("zedez", "--jobs needs a number from 1 to %1"),
                             {number(kMostJobs)});
    }
  }
  if (parser.isSet(kWaitRestart)) {
    bool ok = false;
    request.waitRestartSeconds = parser.value(kWaitRestart).toInt(&ok);
    if (!ok || *request.waitRestartSeconds < 0 || *request.waitRestartSeconds > kMostRestartWait) {
      usageError = localText(
          QT_TRANSLATE_NOOP("zedez", "--wait-restart needs a number of seconds from 0 to %1"),
          {number(kMostRestartWait)});
    }
  }
  if (parser.isSet(kRetry)) {
    request.retries = boundedValue(parser, kRetry, 0, kMostRetries);
    if (!request.retries) {
      request.retries = 0;
      usageError = localText(QT_TRANSLATE_NOOP("zedez", "--retry needs a number from 0 to %1"),
                             {number(kMostRetries)});
    }
  }
  if (parser.isSet(kRetryDelay)) {
    request.retryDelaySeconds = boundedValue(parser, kRetryDelay, 0, kMostRetryDelaySeconds);
    if (!request.retryDelaySeconds) {
      request.retryDelaySeconds = kDefaultRetryDelaySeconds;
      usageError = localText(
          QT_TRANSLATE_NOOP("zedez", "--retry-delay needs a number of seconds from 0 to %1"),
          {number(kMostRetryDelaySeconds)});
    }
  }
  if (request.devicesFile && request.scanRange) {
    usageError = localText(QT_TRANSLATE_NOOP("zedez",
                                             "--devices and --scan exclude each other; feed "
                                             "the scan to --devices - instead"));
  }
  return request;
}

}  // namespace app::cli
