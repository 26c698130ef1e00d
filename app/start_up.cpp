#include "app/start_up.h"

#include <QApplication>
#include <QLabel>
#include <QMetaObject>
#include <cstdio>

#include "app/main_window.h"
#include "app/product.h"

namespace app {

void describeApplication() {
  QCoreApplication::setApplicationName(
      QString::fromUtf16(kProductName.data(), static_cast<qsizetype>(kProductName.size())));
  QCoreApplication::setApplicationVersion(
      QString::fromUtf16(kProductVersion.data(), static_cast<qsizetype>(kProductVersion.size())));
}

std::vector<std::u16string> programArguments(const QStringList& commandLine) {
  std::vector<std::u16string> arguments;
  for (qsizetype i = 1; i < commandLine.size(); ++i) {
    arguments.push_back(commandLine.at(i).toStdU16String());
  }
  return arguments;
}

int runMessageLoop(const MainWindow& window) {
  if (window.endOfRunRequested()) {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                              Qt::QueuedConnection);
  }
  QApplication::exec();
  return 0;
}

void reportUnattendedOutcome(const MainWindow& window) {
  if (window.unattendedAddress().empty()) return;
  const QByteArray line = window.statusLabel()->text().toUtf8() + '\n';
  std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
  std::fflush(stdout);
}

}  // namespace app
