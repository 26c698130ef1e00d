#include "app/cli/fleet_options.h"

#include <QRegularExpression>

#include "app/core/restart_wait.h"

namespace app::cli {
namespace {

constexpr QLatin1StringView kDevices("devices");
constexpr QLatin1StringView kJobs("jobs");
constexpr QLatin1StringView kScan("scan");
constexpr QLatin1StringView kWaitRestart("wait-restart");

bool isWaitRestart(const QString& argument) {
  return argument == QLatin1String("--wait-restart") || argument == QLatin1String("-wait-restart");
}

}  // namespace

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
       QStringLiteral("Update every device listed in FILE, one address a line (\"-\": "
                      "standard input; blank lines and # comments are skipped)."),
       QStringLiteral("FILE")},
      {kJobs, QStringLiteral("Devices of a list updated at once (default %1).").arg(kDefaultJobs),
       QStringLiteral("N")},
      {kScan,
       QStringLiteral("Find the registers in CIDR (at most a /16) and print each with its "
                      "version; uploads nothing."),
       QStringLiteral("CIDR")},
      {kWaitRestart,
       QStringLiteral("After an upload wait until the device answers again, at most SECONDS "
                      "(default %1), and verify that it runs the image's version. A list "
                      "does this by default; 0 turns it off.")
           .arg(kDefaultRestartWaitSeconds),
       QStringLiteral("SECONDS")},
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
      usageError = QStringLiteral("--jobs needs a number from 1 to %1.").arg(kMostJobs);
    }
  }
  if (parser.isSet(kWaitRestart)) {
    bool ok = false;
    request.waitRestartSeconds = parser.value(kWaitRestart).toInt(&ok);
    if (!ok || *request.waitRestartSeconds < 0 || *request.waitRestartSeconds > kMostRestartWait) {
      usageError = QStringLiteral("--wait-restart needs a number of seconds from 0 to %1.")
                       .arg(kMostRestartWait);
    }
  }
  if (request.devicesFile && request.scanRange) {
    usageError = QStringLiteral(
        "--devices and --scan exclude each other; feed the scan to "
        "--devices - instead.");
  }
  return request;
}

}  // namespace app::cli
