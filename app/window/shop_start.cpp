#include "app/window/shop_start.h"

#include <QApplication>
#include <QMetaObject>
#include <QWidget>

#include "app/core/interrupt_watch.h"
#include "app/window/local_interfaces.h"
#include "app/window/scan_ranges.h"
#include "app/window/shop_window.h"
#include "text/utf8_codec.h"

namespace app {

int runShopWindow(const std::string& recordFile, InterruptWatch& watch) {
  ShopWindowOptions options;
  options.defaultRanges = defaultScanRanges(localInterfaces());
  options.recordFile = recordFile;
  int code = 0;
  {
    ShopWindow window(options);
    InterruptWatch::Handlers handlers;
    handlers.onStop = [&window](int /*signal*/) {
      window.stopWork();
      QMetaObject::invokeMethod(
          &window,
          [&window] {
            // An open question is answered as its escape button answers it.
            if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr) {
              modal->close();
            }
            window.close();
          },
          Qt::QueuedConnection);
    };
    handlers.onEnd = [&window](int signal) {
      window.interruptRun(text::utf8ToUtf16(signalName(signal)));
    };
    watch.setHandlers(std::move(handlers));
    // A signal that came while the window was made.
    if (watch.stopSignal() != 0) watch.endIfStopped();
    window.show();
    code = QApplication::exec();
    watch.setHandlers({});
  }
  watch.endIfStopped();
  return code;
}

}  // namespace app
