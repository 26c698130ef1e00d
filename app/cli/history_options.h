#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <string>

namespace app::cli {

// What --history is asked to show, and how.
struct HistoryRequest {
  QStringList files;
  std::u16string address;  // only this register's lines, when given
  bool failed = false;     // registers whose latest outcome is a failure
  bool latest = false;     // one line per register
  bool addresses = false;  // the addresses alone, one a line
  bool csv = false;
  std::optional<std::int64_t> sinceMs;
  QString site;  // only this site's lines, when given
  QString html;  // write the page of the chain there

  [[nodiscard]] bool requested() const { return !files.isEmpty(); }
};

void addHistoryOptions(QCommandLineParser& parser);

// After a successful parse. With --history the further arguments are more record files; one
// that is no file and names a device instead is the address whose lines are shown. A wrong
// value or an option without --history sets usageError.
HistoryRequest readHistoryOptions(const QCommandLineParser& parser, QString& usageError);

// --site NAME: the site a run records, or the site --history shows; empty when not given.
QString siteOption(const QCommandLineParser& parser);

}  // namespace app::cli
