#include "app/cli/history_options.h"

#include <QFileInfo>

#include "app/cli/address_syntax.h"
#include "app/cli/fleet_options.h"
#include "app/cli/record_reader.h"
#include "app/core/core_text.h"

namespace app::cli {
namespace {

constexpr QLatin1StringView kHistory("history");
constexpr QLatin1StringView kFailed("failed");
constexpr QLatin1StringView kSince("since");
constexpr QLatin1StringView kSite("site");
constexpr QLatin1StringView kLatest("latest");
constexpr QLatin1StringView kAddresses("addresses");
constexpr QLatin1StringView kCsv("csv");
constexpr QLatin1StringView kHtml("html");

constexpr const char* kDatePlaceholder = QT_TRANSLATE_NOOP("zedez", "DATE");
constexpr const char* kNamePlaceholder = QT_TRANSLATE_NOOP("zedez", "NAME");

QString localText(const char* source) { return QString::fromStdU16String(translated(source)); }

// A name that is surely a file, whether or not it exists yet.
bool looksLikeFile(const QString& name) {
  return QFileInfo::exists(name) || name.contains(QLatin1Char('/')) ||
         name.endsWith(QLatin1String(".jsonl")) || name.endsWith(QLatin1String(".json")) ||
         name.endsWith(QLatin1String(".log"));
}

}  // namespace

void addHistoryOptions(QCommandLineParser& parser) {
  parser.addOptions({
      {kHistory,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "Print the records in FILE and the files after it as one "
                                   "table ordered by time, with a totals line (with an address: "
                                   "only that register; with --json: the lines as they are).")),
       placeholder(kFilePlaceholder)},
      {kFailed, localText(QT_TRANSLATE_NOOP(
                    "zedez",
                    "With --history: only registers whose latest outcome is failed, not back, "
                    "not started or interrupted."))},
      {kSince,
       localText(QT_TRANSLATE_NOOP(
           "zedez", "With --history: only lines from DATE on (2026-12-01, or a time in UTC).")),
       placeholder(kDatePlaceholder)},
      {kSite,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "The shop's name in the record (default: this PC's host "
                                   "name); with --history: only that site's lines.")),
       placeholder(kNamePlaceholder)},
      {kLatest,
       localText(QT_TRANSLATE_NOOP("zedez", "With --history: only each register's latest line."))},
      {kAddresses, localText(QT_TRANSLATE_NOOP(
                       "zedez",
                       "With --history: print the registers' addresses, one a line, for "
                       "--devices - (with --failed: what to run again)."))},
      {kCsv, localText(QT_TRANSLATE_NOOP(
                 "zedez", "With --history: print the lines as CSV, for a spreadsheet."))},
      {kHtml,
       localText(QT_TRANSLATE_NOOP("zedez",
                                   "With --history: write a page of the chain to FILE: a table "
                                   "per site with each register's latest version and outcome, "
                                   "and a chart of the versions.")),
       placeholder(kFilePlaceholder)},
  });
}

QString siteOption(const QCommandLineParser& parser) { return parser.value(kSite); }

HistoryRequest readHistoryOptions(const QCommandLineParser& parser, QString& usageError) {
  HistoryRequest request;
  const bool history = parser.isSet(kHistory);
  if (history) request.files.append(parser.value(kHistory));
  request.failed = parser.isSet(kFailed);
  request.latest = parser.isSet(kLatest);
  request.addresses = parser.isSet(kAddresses);
  request.csv = parser.isSet(kCsv);
  request.html = parser.value(kHtml);
  if (history) request.site = parser.value(kSite);
  if (parser.isSet(kSince)) {
    request.sinceMs = isoTimeMs(parser.value(kSince).toStdString());
    if (!request.sinceMs) {
      usageError = localText(QT_TRANSLATE_NOOP(
          "zedez", "--since needs a date (2026-12-01) or a time (2026-12-01T18:30:00Z)"));
    }
  }
  const bool anyShown = request.failed || request.latest || request.addresses || request.csv ||
                        parser.isSet(kSince) || parser.isSet(kHtml);
  if (!history) {
    if (anyShown) {
      usageError = localText(QT_TRANSLATE_NOOP(
          "zedez", "--failed, --since, --latest, --addresses, --csv and --html need --history"));
    }
    return request;
  }
  const int forms = static_cast<int>(request.addresses) + static_cast<int>(request.csv) +
                    static_cast<int>(parser.isSet(QStringLiteral("json")));
  if (forms > 1) {
    usageError = localText(QT_TRANSLATE_NOOP(
        "zedez", "--addresses, --csv and --json are three forms of the output: give one"));
  }
  for (const QString& argument : parser.positionalArguments()) {
    if (looksLikeFile(argument) || !isDeviceAddress(argument.toStdString())) {
      request.files.append(argument);
    } else if (request.address.empty()) {
      request.address = argument.toStdU16String();
    } else {
      usageError = localText(QT_TRANSLATE_NOOP(
          "zedez", "--history shows one register's lines, or every register's: give one address"));
    }
  }
  return request;
}

}  // namespace app::cli
