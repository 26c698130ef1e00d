#pragma once

namespace app {

// The whole program: the command line, then the window or a run without one. Returns the
// exit code.
int runProgram(int argc, char* argv[]);

}  // namespace app
