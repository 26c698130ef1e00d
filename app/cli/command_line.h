#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "app/cli/fleet_options.h"
#include "app/cli/history_options.h"
#include "app/core/run_observer.h"

namespace app::cli {

// What the command line asks for. An argument that begins with "-" is an option; the one
// that does not is the device address. An option that the rest of the line would leave
// without effect is a usage error.
struct CommandLine {
  std::u16string address;  // empty: the window, for the operator
  // A second address: the window's run ignores it, as it ignores every further argument;
  // everywhere else it is a usage error.
  QString secondAddress;
  bool help = false;
  bool version = false;
  bool headless = false;
  bool check = false;
  bool json = false;
  bool exitStatus = false;
  bool verbose = false;
  bool quiet = false;            // results and causes only
  bool registers = false;        // --registers: the window for the registers of the shop's network
  std::optional<Answer> answer;  // --yes or --no
  bool allowOlder = false;       // --allow-older: install over a newer version too
  QString recordFile;            // --record: append a line per device there
  QString site;                  // --site: the shop named in the record
  QString usageError;            // not empty: the command line is wrong
  // The whole command line, for usageErrorText.
  QStringList arguments;
  FleetRequest fleet;      // --devices, --jobs, --scan, --wait-restart
  HistoryRequest history;  // --history and what it shows
};

// arguments: the whole command line, the program's name first.
CommandLine parseCommandLine(const QStringList& arguments);

// The usage error in the user's language. The line is parsed before the application object
// exists, which the translation needs; this words the error again once it does.
QString usageErrorText(const CommandLine& line);

// The usage error of a second address, for the runs that do not ignore it.
QString secondAddressError(const CommandLine& line);

// The text of --help; it names the program, so the application object must exist.
QString helpText();

}  // namespace app::cli
