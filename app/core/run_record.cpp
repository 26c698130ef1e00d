#include "app/core/run_record.h"

#include <pwd.h>
#include <unistd.h>

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>
#include <climits>

#include "app/core/image_identity.h"
#include "app/core/product.h"
#include "app/core/record_file.h"
#include "app/core/run_identity.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

QString text(const std::u16string& value) { return QString::fromStdU16String(value); }

QString hostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return {};
  return QString::fromLocal8Bit(name);
}

QString userName() {
  passwd entry{};
  passwd* found = nullptr;
  std::array<char, 4096> buffer{};
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr) {
    return QString::fromLocal8Bit(found->pw_name);
  }
  return QString::number(::geteuid());
}

QJsonObject common(const DeviceAddress& address, std::chrono::system_clock::time_point when) {
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count();
  const ImageIdentity& image = imageIdentity();
  const RunIdentity run = runIdentity();
  return QJsonObject{
      {QStringLiteral("time"),
       QDateTime::fromMSecsSinceEpoch(millis, Qt::UTC).toString(Qt::ISODateWithMs)},
      {QStringLiteral("site"), text(run.site)},
      {QStringLiteral("runId"), QString::fromStdString(run.runId)},
      {QStringLiteral("updaterVersion"), text(std::u16string(kProductVersion))},
      {QStringLiteral("host"), hostName()},
      {QStringLiteral("user"), userName()},
      {QStringLiteral("address"), text(address)},
      {QStringLiteral("imageVersion"), text(image.version)},
      {QStringLiteral("imageSha256"), QString::fromStdString(image.sha256)},
  };
}

std::string line(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace

std::string recordLine(const DeviceOutcome& outcome, std::chrono::system_clock::time_point when) {
  QJsonObject object = common(outcome.address, when);
  const bool back = outcome.restart && outcome.restart->stateAfter;
  object.insert(QStringLiteral("versionBefore"), text(outcome.versionText));
  object.insert(QStringLiteral("versionAfter"),
                back ? QJsonValue(text(outcome.restart->stateAfter->versionText)) : QJsonValue());
  object.insert(QStringLiteral("result"), QString::fromLatin1(resultName(outcome.result)));
  object.insert(QStringLiteral("verified"),
                outcome.verification == Verification::NotAsked
                    ? QJsonValue()
                    : QJsonValue(outcome.verification == Verification::Verified));
  const auto& cause = outcome.error ? outcome.error : outcome.stateError;
  object.insert(QStringLiteral("cause"),
                cause ? QJsonValue(QJsonObject{
                            {QStringLiteral("class"), QString::fromStdString(cause->className)},
                            {QStringLiteral("message"), text(cause->message)}})
                      : QJsonValue());
  const char* verification = verificationName(outcome.verification);
  object.insert(QStringLiteral("verification"), verification != nullptr
                                                    ? QJsonValue(QString::fromLatin1(verification))
                                                    : QJsonValue());
  object.insert(QStringLiteral("seconds"), outcome.seconds);
  object.insert(QStringLiteral("tries"), outcome.tries);
  object.insert(QStringLiteral("restartSeconds"),
                outcome.restart ? QJsonValue(outcome.restart->seconds) : QJsonValue());
  object.insert(QStringLiteral("waitRestart"),
                outcome.restart ? QJsonValue(outcome.restart->waitSeconds) : QJsonValue());
  return line(object);
}

std::string notStartedRecordLine(const DeviceAddress& address,
                                 std::chrono::system_clock::time_point when) {
  QJsonObject object = common(address, when);
  object.insert(QStringLiteral("result"), QStringLiteral("not-started"));
  return line(object);
}

void appendRecordLine(const std::string& path, const std::string& line) {
  RecordFileWriter(path).append(line);
}

}  // namespace app
