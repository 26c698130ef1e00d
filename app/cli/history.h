#pragma once

#include "app/cli/console.h"
#include "app/cli/history_options.h"

namespace app::cli {

// Prints the records of the request's files: a table ordered by time with a totals line for a
// person, the lines as they are with json, CSV with --csv, the addresses alone with
// --addresses; with --html also writes the page of the chain. Streams: the files are read
// twice, each in a bounded buffer, and only a short summary per register is kept. Lines that
// are not records are left out and counted on standard error. Returns 0, or 1 when a file
// cannot be read or the page cannot be written.
int printHistory(const HistoryRequest& request, bool json, Console& console);

}  // namespace app::cli
