#pragma once

#include "app/cli/command_line.h"
#include "app/cli/console.h"

namespace app::cli {

// Whether the command line is one for this: a list, a scan, or one address with a wait for
// the restart or a retry.
bool isFleetCommand(const CommandLine& line);

// Runs a list (--devices), a scan (--scan) or one address with --wait-restart, headless.
// Returns the exit code: a list's, a scan's and a check's always, the single update's with
// line.exitStatus (else 0); kExitUsage for a wrong list or address, kExitNothingToDo for an
// empty list.
int runFleetCommand(const CommandLine& line, Console& console);

}  // namespace app::cli
