#include "app/window/shop_start.h"

#include <QApplication>

#include "app/window/local_interfaces.h"
#include "app/window/scan_ranges.h"
#include "app/window/shop_window.h"

namespace app {

int runShopWindow(const std::string& recordFile) {
  ShopWindowOptions options;
  options.defaultRanges = defaultScanRanges(localInterfaces());
  options.recordFile = recordFile;
  ShopWindow window(options);
  window.show();
  return QApplication::exec();
}

}  // namespace app
