#include "app/cli/outcome_json.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace app::cli {
namespace {

QString text(const std::u16string& value) { return QString::fromStdU16String(value); }

QJsonValue causeJson(const std::optional<FailureCause>& cause) {
  if (!cause) return QJsonValue::Null;
  return QJsonObject{{QStringLiteral("class"), QString::fromStdString(cause->className)},
                     {QStringLiteral("message"), text(cause->message)}};
}

}  // namespace

std::string outcomeJson(const DeviceOutcome& outcome) {
  const QJsonObject object{
      {QStringLiteral("address"), text(outcome.address)},
      {QStringLiteral("versionText"), text(outcome.versionText)},
      {QStringLiteral("version"), outcome.version ? QJsonValue(*outcome.version) : QJsonValue()},
      {QStringLiteral("asked"), outcome.asked},
      {QStringLiteral("result"), QString::fromLatin1(resultName(outcome.result))},
      {QStringLiteral("status"), text(outcome.status)},
      {QStringLiteral("error"), causeJson(outcome.error)},
      {QStringLiteral("stateError"), causeJson(outcome.stateError)},
      {QStringLiteral("bytesSent"), static_cast<qint64>(outcome.bytesSent)},
      {QStringLiteral("seconds"), outcome.seconds},
  };
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace app::cli
