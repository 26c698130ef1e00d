#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <optional>

#include "app/core/fleet/fleet_run.h"
#include "app/core/retry.h"

namespace app::cli {

// The names of option values in --help, in the user's language by placeholder().
inline constexpr const char* kFilePlaceholder = QT_TRANSLATE_NOOP("zedez", "FILE");
inline constexpr const char* kJobsPlaceholder = QT_TRANSLATE_NOOP("zedez", "N");
inline constexpr const char* kRangePlaceholder = QT_TRANSLATE_NOOP("zedez", "CIDR");
inline constexpr const char* kSecondsPlaceholder = QT_TRANSLATE_NOOP("zedez", "SECONDS");
inline constexpr const char* kAddressPlaceholder = QT_TRANSLATE_NOOP("zedez", "address");
QString placeholder(const char* source);

using fleet::kDefaultJobs;
using fleet::kMostJobs;
// A register restarts in minutes; an hour is the most anyone waits.
inline constexpr int kMostRestartWait = 3600;

// The options for many devices in one run.
struct FleetRequest {
  std::optional<QString> devicesFile;  // "-" is standard input
  int jobs = kDefaultJobs;
  std::optional<QString> scanRange;
  std::optional<int> waitRestartSeconds;
  // --retry and --retry-delay; set: given on the command line.
  std::optional<int> retries;
  std::optional<int> retryDelaySeconds;

  [[nodiscard]] RetryPolicy retryPolicy() const {
    return {retries.value_or(0), retryDelaySeconds.value_or(kDefaultRetryDelaySeconds)};
  }
  [[nodiscard]] bool listOrScan() const { return devicesFile || scanRange; }
};

// --wait-restart takes an optional number of seconds, which the parser cannot express: the
// arguments are rewritten so that it always carries one ("--wait-restart=120").
QStringList withWaitRestartValue(const QStringList& arguments);

void addFleetOptions(QCommandLineParser& parser);
// After a successful parse; a wrong value sets usageError.
FleetRequest readFleetOptions(const QCommandLineParser& parser, QString& usageError);

}  // namespace app::cli
