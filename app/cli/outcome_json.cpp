#include "app/cli/outcome_json.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include "app/core/image_identity.h"

namespace app::cli {
namespace {

QString text(const std::u16string& value) { return QString::fromStdU16String(value); }

QJsonValue causeJson(const std::optional<FailureCause>& cause) {
  if (!cause) return QJsonValue::Null;
  // A message may hold the library's CR LF; a JSON line carries none.
  return QJsonObject{
      {QStringLiteral("class"), QString::fromStdString(cause->className)},
      {QStringLiteral("message"), text(withoutLineBreaks(cause->message))},
      {QStringLiteral("detail"),
       cause->detail.empty() ? QJsonValue() : QJsonValue(text(withoutLineBreaks(cause->detail)))}};
}

QJsonValue versionValue(const std::optional<int>& version) {
  return version ? QJsonValue(*version) : QJsonValue();
}

void addImage(QJsonObject& object) {
  const ImageIdentity& image = imageIdentity();
  object.insert(QStringLiteral("imageVersion"), text(image.version));
  object.insert(QStringLiteral("imageSha256"), QString::fromStdString(image.sha256));
}

std::string compact(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
}

}  // namespace

std::string outcomeJson(const DeviceOutcome& outcome) {
  QJsonObject object{
      {QStringLiteral("address"), text(outcome.address)},
      {QStringLiteral("versionText"), text(outcome.versionText)},
      {QStringLiteral("version"), versionValue(outcome.version)},
      {QStringLiteral("verdict"), QString::fromLatin1(verdictName(outcome.verdict))},
      {QStringLiteral("asked"), outcome.asked},
      {QStringLiteral("result"), QString::fromLatin1(resultName(outcome.result))},
      {QStringLiteral("status"), text(outcome.status)},
      {QStringLiteral("message"), text(outcomeLine(outcome))},
      {QStringLiteral("error"), causeJson(outcome.error)},
      {QStringLiteral("stateError"), causeJson(outcome.stateError)},
      {QStringLiteral("bytesSent"), static_cast<qint64>(outcome.bytesSent)},
      {QStringLiteral("seconds"), outcome.seconds},
      {QStringLiteral("tries"), outcome.tries},
  };
  addImage(object);
  if (outcome.restartWaitAsked) {
    const auto& restart = outcome.restart;
    const bool back = restart && restart->stateAfter;
    object.insert(QStringLiteral("versionAfter"),
                  back ? QJsonValue(text(restart->stateAfter->versionText)) : QJsonValue());
    object.insert(QStringLiteral("restartSeconds"),
                  restart ? QJsonValue(restart->seconds) : QJsonValue());
    const char* verification = verificationName(outcome.verification);
    object.insert(
        QStringLiteral("verification"),
        verification != nullptr ? QJsonValue(QString::fromLatin1(verification)) : QJsonValue());
  }
  return compact(object);
}

std::string notStartedJson(const DeviceAddress& address) {
  QJsonObject object{{QStringLiteral("address"), text(address)},
                     {QStringLiteral("result"), QStringLiteral("not-started")}};
  addImage(object);
  return compact(object);
}

std::string foundDeviceJson(const fleet::FoundDevice& device) {
  QJsonObject object{
      {QStringLiteral("address"), text(device.address)},
      {QStringLiteral("versionText"), text(device.state.versionText)},
      {QStringLiteral("version"), versionValue(device.state.version)},
      {QStringLiteral("verdict"), QString::fromLatin1(verdictName(verdictOf(
                                      device.state.versionText, imageIdentity().version)))},
  };
  // A text that was cut says how long it was.
  if (device.state.versionLength > device.state.versionText.size()) {
    object.insert(QStringLiteral("versionLength"), static_cast<qint64>(device.state.versionLength));
  }
  addImage(object);
  return compact(object);
}

}  // namespace app::cli
