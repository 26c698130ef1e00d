#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/device_run.h"
#include "app/core/run_observer.h"

namespace app::cli {

// The program's standard streams, shared by every run of one process: whole lines only, one
// writer at a time, and a passing line on a terminal (progress, a wait) that the next line
// replaces. A question waits for its answer without holding up the other lines: they print
// above it, and the question is shown again beneath them.
class Console {
 public:
  Console();
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  [[nodiscard]] bool stdinIsTerminal() const { return stdinIsTerminal_; }
  [[nodiscard]] bool stderrIsTerminal() const { return stderrIsTerminal_; }
  // Whether a person can answer a question: standard input is a terminal, or it is a pipe
  // and the process has a controlling terminal, where the question then goes (as ssh and
  // sudo ask).
  [[nodiscard]] bool canAsk() const { return questionIn_ >= 0; }
  // Answers an open question No at once, and every later one without asking: the run was
  // told to stop. Safe from any thread.
  void cancelQuestions();

  // Quiet: no progress and no passing lines; the lines themselves still print.
  void setQuiet(bool quiet) { quiet_ = quiet; }
  [[nodiscard]] bool quiet() const { return quiet_; }

  // A line on standard output (the status line or a JSON object). Once standard output is
  // closed (a reader such as `head` went away) the lines go nowhere, and onOutputClosed is
  // called once, on the writing thread.
  void outputLine(std::string_view utf8);
  void outputLine(const std::u16string& text);
  // A line on standard error (a cause, a reason, a usage error).
  void errorLine(const std::u16string& text);

  // Asks on the terminal, one question at a time: the question with "[y/N]" on standard
  // error (or the controlling terminal), the answer from standard input (or that terminal).
  // "y" or "yes" in any case is OK, and so are the translation's own words for yes ("a",
  // "áno"); anything else, or the end of input, is Cancel. With yesByDefault the choices are
  // "[Y/n]" and an empty answer is OK.
  Answer askYesNo(const std::u16string& question, bool yesByDefault = false);

  // Shows "sent / total bytes, percent, rate" in place on standard error (a terminal only),
  // at most once per percent, until the next line. The rate counts from the first call after
  // the last line, and is labelled as bytes handed to the network.
  void showProgress(std::int64_t sent, std::int64_t total);
  // Shows text in place on standard error (a terminal only), until the next line.
  void showPassing(const std::u16string& text);
  // Shows lines in place at the bottom of standard error (a terminal only), each cut to the
  // terminal's width, until the next call or clearArea(); lines printed meanwhile go above.
  void showArea(const std::vector<std::u16string>& lines);
  void clearArea();
  // The terminal's rows (24 when unknown).
  [[nodiscard]] int terminalRows() const;

  // Called once when standard output turns out to be closed; it may print error lines.
  void setOutputClosedHandler(std::function<void()> onOutputClosed);

 private:
  // False when the line could not be written (the stream is closed).
  bool writeLineLocked(int fd, std::string line);
  [[nodiscard]] int columnsLocked() const;
  void eraseAreaLocked();
  void drawAreaLocked();
  void setAreaLocked(std::vector<std::string> lines, bool passing);

  std::mutex mutex_;
  std::mutex questionMutex_;
  bool outputClosed_ = false;
  std::function<void()> onOutputClosed_;
  bool stdinIsTerminal_;
  bool stderrIsTerminal_;
  bool quiet_ = false;
  // Where a question is read and shown: standard input and error, the controlling terminal
  // opened for it, or -1 when nobody can answer.
  int questionIn_ = -1;
  int questionOut_ = -1;
  int ownTerminal_ = -1;
  // Written to by cancelQuestions(), so that a question waiting for its line wakes up.
  int cancelRead_ = -1;
  int cancelWrite_ = -1;
  std::atomic<bool> questionsCancelled_{false};
  // The lines in place beneath the others, and how many terminal rows they take now.
  std::vector<std::string> area_;
  int areaRowsShown_ = 0;
  // A passing area goes with the next line; the other stays until replaced.
  bool areaIsPassing_ = false;
  int lastPercent_ = -1;
  std::chrono::steady_clock::time_point progressStart_;
  // The question waiting for its answer, shown again beneath each line printed meanwhile.
  std::string prompt_;
};

// The exit codes of the command line besides a device's own.
using app::kExitDeclined;
using app::kExitFailed;
inline constexpr int kExitNothingToDo = 3;
// The record file cannot be opened, is no regular file, or stays locked: nothing was sent
// (sysexits' EX_CANTCREAT).
inline constexpr int kExitRecordUnwritable = 73;
inline constexpr int kExitUsage = 64;
// A check found a register that the image would update (as dnf check-update says it).
inline constexpr int kExitUpdatesAvailable = 100;

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
