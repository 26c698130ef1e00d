#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/fleet/fleet_options.h"
#include "app/workflow_host.h"

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
  std::optional<DialogResult> answer;  // --yes or --no
  QString usageError;                  // not empty: the command line is wrong
  fleet::FleetRequest fleet;           // --devices, --jobs, --scan, --wait-restart
};

// arguments: the whole command line, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);

// The text of --help; it names the program, so the application object must exist.
QString helpText();

}  // namespace app::cli
