#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "app/core/workflow_host.h"

namespace app::cli {

// The program's standard streams, shared by every run of one process: whole lines only, one
// writer at a time, and a progress line on a terminal that the next line replaces.
class Console {
 public:
  Console();

  [[nodiscard]] bool stdinIsTerminal() const { return stdinIsTerminal_; }
  [[nodiscard]] bool stderrIsTerminal() const { return stderrIsTerminal_; }

  // A line on standard output (the status line or a JSON object).
  void outputLine(std::string_view utf8);
  void outputLine(const std::u16string& text);
  // A line on standard error (a cause, a reason, a usage error).
  void errorLine(const std::u16string& text);

  // Asks on the terminal: the question with "[y/N]" on standard error, the answer from
  // standard input. "y" or "yes" in any case is OK; anything else, or the end of input, is
  // Cancel.
  DialogResult askYesNo(const std::u16string& question);

  // Shows "sent / total bytes, percent, rate" in place on standard error (a terminal only),
  // at most once per percent. The rate counts from the first call after the last line.
  void showProgress(std::int64_t sent, std::int64_t total);

 private:
  void clearProgressLocked();

  std::mutex mutex_;
  bool stdinIsTerminal_;
  bool stderrIsTerminal_;
  bool progressShown_ = false;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point progressStart_;
};

}  // namespace app::cli
