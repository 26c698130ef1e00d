#pragma once

#include "app/cli/command_line.h"
#include "app/cli/console.h"

namespace app::fleet {

// Whether the command line is one for this: a list, a scan, or a wait for the restart.
bool isFleetCommand(const cli::CommandLine& line);

// Runs a list (--devices), a scan (--scan) or one address with --wait-restart, headless.
// Returns the exit code (0 unless line.exitStatus).
int runFleetCommand(const cli::CommandLine& line, cli::Console& console);

}  // namespace app::fleet
