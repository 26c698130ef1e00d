#pragma once

#include <string>
#include <vector>

#include "app/cli/history_summary.h"

namespace app::cli {

// Writes one self-contained HTML page of the chain to path: the totals, a chart of the
// versions installed (inline SVG) and a table per site of each register's latest version and
// outcome, failures first. Nothing on it comes from the network. Written to a temporary file
// beside path and renamed, so a reader never sees half a page. False with why on failure.
bool writeChainPage(const std::string& path, const std::vector<RegisterLatest>& registers,
                    std::string& why);

}  // namespace app::cli
