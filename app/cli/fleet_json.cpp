#include "app/cli/fleet_json.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "app/cli/outcome_json.h"

namespace app::cli {
namespace {

std::string compact(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

QJsonValue versionValue(const std::optional<int>& version) {
  return version ? QJsonValue(*version) : QJsonValue();
}

}  // namespace

std::string deviceJson(const fleet::FleetDeviceOutcome& outcome) {
  std::string line = outcomeJson(outcome.device);
  if (!outcome.restartWaitAsked) return line;
  const auto& restart = outcome.restart;
  QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
  const bool back = restart && restart->stateAfter;
  object.insert(QStringLiteral("versionAfter"),
                back ? QJsonValue(QString::fromStdU16String(restart->stateAfter->versionText))
                     : QJsonValue());
  object.insert(QStringLiteral("restartSeconds"),
                restart ? QJsonValue(restart->seconds) : QJsonValue());
  return compact(object);
}

std::string foundDeviceJson(const fleet::FoundDevice& device) {
  return compact(
      {{QStringLiteral("address"), QString::fromStdU16String(device.address)},
       {QStringLiteral("versionText"), QString::fromStdU16String(device.state.versionText)},
       {QStringLiteral("version"), versionValue(device.state.version)}});
}

}  // namespace app::cli
