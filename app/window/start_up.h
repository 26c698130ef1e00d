#pragma once

namespace app {

// Puts the product's name and version on the application object.
void describeApplication();

// Runs the message loop until a quit request arrives. An end-of-run request that a workflow
// posted while it let pending events through itself was already taken from the queue; it is
// posted again so that it still ends the run. The exit code is 0 in every case.
class MainWindow;
int runMessageLoop(const MainWindow& window);

}  // namespace app
