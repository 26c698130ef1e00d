#pragma once

#include <QString>
#include <string>

#include "app/cli/console.h"

namespace app::cli {

// Prints the record in file, newest last: a table for a person, or with json the lines as
// they are. A non-empty address keeps only that device's lines. Lines that are not records
// are left out and counted on standard error. Returns 0, or 1 when the file cannot be read.
int printHistory(const QString& file, const std::u16string& address, bool json, Console& console);

}  // namespace app::cli
