#include "app/cli/history.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <vector>

#include "app/cli/terminal_text.h"

namespace app::cli {
namespace {

// A line of the record longer than this is no record of ours.
constexpr qint64 kMostRecordLine = qint64{64} * 1024;

struct Row {
  std::u16string time, address, versions, result, verified, cause;
};

std::u16string field(const QJsonObject& record, const char* name) {
  const QJsonValue value = record.value(QLatin1String(name));
  return value.isString() ? escapedDeviceText(value.toString().toStdU16String(), 60) : u"-";
}

Row rowOf(const QJsonObject& record) {
  Row row;
  row.time = field(record, "time");
  row.address = field(record, "address");
  const std::u16string before = field(record, "versionBefore");
  const std::u16string after = field(record, "versionAfter");
  row.versions = (before.empty() ? u"-" : before) + u" -> " + after;
  row.result = field(record, "result");
  const QJsonValue verified = record.value(QLatin1String("verified"));
  row.verified = verified.isBool() ? (verified.toBool() ? u"yes" : u"no") : u"-";
  const QJsonObject cause = record.value(QLatin1String("cause")).toObject();
  row.cause = cause.isEmpty() ? u"" : field(cause, "message");
  return row;
}

std::u16string padded(const std::u16string& text, std::size_t width) {
  return text + std::u16string(width > text.size() ? width - text.size() : 0, u' ');
}

void printTable(const std::vector<Row>& rows, Console& console) {
  std::vector<Row> all{
      {u"TIME (UTC)", u"ADDRESS", u"VERSION BEFORE -> AFTER", u"RESULT", u"VERIFIED", u"CAUSE"}};
  all.insert(all.end(), rows.begin(), rows.end());
  std::size_t widths[5] = {};
  for (const Row& row : all) {
    const std::u16string* cells[5] = {&row.time, &row.address, &row.versions, &row.result,
                                      &row.verified};
    for (std::size_t i = 0; i < 5; ++i) widths[i] = std::max(widths[i], cells[i]->size());
  }
  for (const Row& row : all) {
    std::u16string line = padded(row.time, widths[0]) + u"  " + padded(row.address, widths[1]) +
                          u"  " + padded(row.versions, widths[2]) + u"  " +
                          padded(row.result, widths[3]) + u"  " + padded(row.verified, widths[4]) +
                          u"  " + row.cause;
    while (!line.empty() && line.back() == u' ') line.pop_back();
    console.outputLine(line);
  }
}

}  // namespace

int printHistory(const QString& file, const std::u16string& address, bool json, Console& console) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly)) {
    console.errorLine(u"zedez-updater: cannot read the record " + file.toStdU16String() + u": " +
                      in.errorString().toStdU16String());
    return 1;
  }
  std::vector<Row> rows;
  int skipped = 0;
  while (!in.atEnd()) {
    const QByteArray line = in.readLine(kMostRecordLine).trimmed();
    if (line.isEmpty()) continue;
    const QJsonObject record = QJsonDocument::fromJson(line).object();
    if (record.isEmpty() || !record.value(QLatin1String("address")).isString()) {
      ++skipped;
      continue;
    }
    if (!address.empty() &&
        record.value(QLatin1String("address")).toString().toStdU16String() != address) {
      continue;
    }
    if (json) {
      console.outputLine(std::string_view(line.constData(), static_cast<std::size_t>(line.size())));
    } else {
      rows.push_back(rowOf(record));
    }
  }
  if (!json) printTable(rows, console);
  if (skipped > 0) {
    console.errorLine(u"zedez-updater: " + QString::number(skipped).toStdU16String() +
                      u" lines of " + file.toStdU16String() + u" are no record and were left out");
  }
  return 0;
}

}  // namespace app::cli
