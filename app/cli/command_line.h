#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/cli/fleet_options.h"
#include "app/core/workflow_host.h"

namespace app::cli {

// What the command line asks for. An argument that begins with "-" is an option; the first
// one that does not is the device address, and later ones are ignored.
struct CommandLine {
  std::u16string address;  // empty: the window, for the operator
  bool help = false;
  bool version = false;
  bool headless = false;
  bool check = false;
  bool json = false;
  bool exitStatus = false;
  bool registers = false;  // --registers: the window for the registers of the shop's network
  std::optional<DialogResult> answer;  // --yes or --no
  QString recordFile;                  // --record: append a line per device there
  QString historyFile;                 // --history: print that record
  QString usageError;                  // not empty: the command line is wrong
  FleetRequest fleet;                  // --devices, --jobs, --scan, --wait-restart
};

// The exit code of a wrong command line.
inline constexpr int kExitUsage = 64;

// arguments: the whole command line, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);

// The text of --help; it names the program, so the application object must exist.
QString helpText();

}  // namespace app::cli
