#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "app/core/workflow_host.h"

namespace app::cli {

// The program's standard streams, shared by every run of one process: whole lines only, one
// writer at a time, and a passing line on a terminal (progress, a wait) that the next line
// replaces. A question waits for its answer without holding up the other lines: they print
// above it, and the question is shown again beneath them.
class Console {
 public:
  Console();

  [[nodiscard]] bool stdinIsTerminal() const { return stdinIsTerminal_; }
  [[nodiscard]] bool stderrIsTerminal() const { return stderrIsTerminal_; }

  // A line on standard output (the status line or a JSON object). Once standard output is
  // closed (a reader such as `head` went away) the lines go nowhere, and onOutputClosed is
  // called once, on the writing thread.
  void outputLine(std::string_view utf8);
  void outputLine(const std::u16string& text);
  // A line on standard error (a cause, a reason, a usage error).
  void errorLine(const std::u16string& text);

  // Asks on the terminal, one question at a time: the question with "[y/N]" on standard
  // error, the answer from standard input. "y" or "yes" in any case is OK, and so are the
  // translation's own words for yes ("a", "áno"); anything else, or the end of input, is
  // Cancel.
  DialogResult askYesNo(const std::u16string& question);

  // Shows "sent / total bytes, percent, rate" in place on standard error (a terminal only),
  // at most once per percent. The rate counts from the first call after the last line.
  void showProgress(std::int64_t sent, std::int64_t total);
  // Shows text in place on standard error (a terminal only), until the next line.
  void showPassing(const std::u16string& text);

  // Called once when standard output turns out to be closed; it may print error lines.
  void setOutputClosedHandler(std::function<void()> onOutputClosed);

 private:
  void clearPassingLocked();
  void writeLineLocked(int fd, std::string line);

  std::mutex mutex_;
  std::mutex questionMutex_;
  bool outputClosed_ = false;
  std::function<void()> onOutputClosed_;
  bool stdinIsTerminal_;
  bool stderrIsTerminal_;
  bool passingShown_ = false;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point progressStart_;
  // The question waiting for its answer, shown again beneath each line printed meanwhile.
  std::string prompt_;
};

// The exit codes of the command line besides a device's own.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNothingToDo = 3;
// The record file cannot be opened, is no regular file, or stays locked: nothing was sent
// (sysexits' EX_CANTCREAT).
inline constexpr int kExitRecordUnwritable = 73;
inline constexpr int kExitUsage = 64;

// A message that ends the run, in the one form every such message has:
// "zedez-updater: MESSAGE" on standard error. Returns code.
int endWith(Console& console, const std::u16string& message, int code);
// Opens the record file of a run before its first request, to show that its lines can be
// written; says why not and returns false when they cannot. An empty name keeps no record.
bool recordFileWritable(Console& console, const std::string& path);
// A wrong command line: the message, then "Try 'zedez-updater --help'."; returns 64.
int usageFailure(Console& console, const std::u16string& message);

// Whether an answer typed at the question means yes: "y" or "yes" in any case, or the words
// the translation gives for yes.
bool isYes(const std::u16string& answer);

}  // namespace app::cli
