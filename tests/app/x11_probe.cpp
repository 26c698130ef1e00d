// Looks at another program's window on an X display the way a user's desktop would:
//   zedez-x11-probe screenshot WINDOW-ID FILE.png   writes what the window shows
//   zedez-x11-probe clipboard                      prints the clipboard's text
//   zedez-x11-probe close WINDOW-ID                asks the window to close, as its close box does
#include <QClipboard>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstring>
#include <string>

#include "x11_close.h"

namespace {

int usage() {
  std::fputs("usage: zedez-x11-probe screenshot WINDOW-ID FILE.png | clipboard | close WINDOW-ID\n",
             stderr);
  return 2;
}

unsigned long parseWindowId(const char* text) { return std::stoul(text, nullptr, 0); }

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  if (command == "close" && argc == 3) return sendCloseRequest(parseWindowId(argv[2])) ? 0 : 1;

  qputenv("QT_QPA_PLATFORM", "xcb");
  QGuiApplication application(argc, argv);
  if (command == "screenshot" && argc == 4) {
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(static_cast<WId>(parseWindowId(argv[2])));
    return !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
  }
  if (command == "clipboard" && argc == 2) {
    std::fputs(QGuiApplication::clipboard()->text().toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    return 0;
  }
  return usage();
}
