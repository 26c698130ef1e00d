#include <QApplication>

#include "app/main_window.h"
#include "app/start_up.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  app::describeApplication();
  // The upload workflow is not part of this build yet; the Upload button does nothing.
  app::MainWindow window(app::programArguments(QApplication::arguments()), app::UploadAction{});
  return app::runMessageLoop(window);
}
