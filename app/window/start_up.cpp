#include "app/window/start_up.h"

#include <QApplication>
#include <QMetaObject>

#include "app/core/product.h"
#include "app/window/main_window.h"

namespace app {

void describeApplication() {
  QCoreApplication::setApplicationName(
      QString::fromUtf16(kProductName.data(), static_cast<qsizetype>(kProductName.size())));
  QCoreApplication::setApplicationVersion(
      QString::fromUtf16(kProductVersion.data(), static_cast<qsizetype>(kProductVersion.size())));
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
