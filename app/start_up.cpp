#include "app/start_up.h"

#include <QApplication>
#include <QMetaObject>

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

}  // namespace app
