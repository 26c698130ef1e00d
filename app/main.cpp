#include <QApplication>

#include "app/main_window.h"
#include "app/start_up.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  app::describeApplication();
  app::MainWindow window(app::programArguments(QApplication::arguments()), app::UploadAction{});
  const int exitCode = app::runMessageLoop(window);
  app::reportUnattendedOutcome(window);
  return exitCode;
}
