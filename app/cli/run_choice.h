#pragma once

#include <string>

#include "app/cli/command_line.h"

namespace app::cli {

// What the program runs.
enum class RunKind {
  UsageError,  // the line is wrong: message says why
  Help,
  Version,
  History,          // --history FILE
  Scan,             // --scan CIDR
  List,             // --devices FILE
  Check,            // --check ADDRESS
  Headless,         // one address without a window
  Window,           // the specified window, with or without an address
  RegistersWindow,  // --registers
};

struct RunChoice {
  RunKind kind = RunKind::Window;
  // For a usage error; it is worded once the application object exists.
  enum class Usage { None, Parse, SecondAddress, HeadlessWithoutAddress, NoDisplay };
  Usage usage = Usage::None;

  // Only the windows need a window library and a display.
  [[nodiscard]] bool opensWindow() const {
    return kind == RunKind::Window || kind == RunKind::RegistersWindow;
  }
};

// Chooses the run from the command line and whether a display is there. Pure.
RunChoice chooseRun(const CommandLine& line, bool display);

// The usage error's text, in the user's language.
std::u16string usageMessage(const CommandLine& line, RunChoice::Usage usage);

}  // namespace app::cli
