#include "app/cli/console.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "app/core/core_text.h"
#include "app/core/handler_boundary.h"
#include "app/core/record_file.h"
#include "text/utf8_codec.h"

namespace app::cli {
namespace {

// An answer longer than this is no "y" either; the rest of its line is still read away.
constexpr std::size_t kMaxAnswerLength = 64;

// One line from fd, without its line end; false at the end of input.
// One line from fd, without its line end; false at the end of input, or as soon as cancel
// becomes readable.
bool readAnswerLine(int fd, int cancel, std::string& line) {
  line.clear();
  for (;;) {
    pollfd watched[2] = {{fd, POLLIN, 0}, {cancel, POLLIN, 0}};
    if (::poll(watched, cancel >= 0 ? 2 : 1, -1) < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (cancel >= 0 && watched[1].revents != 0) return false;
    char c = 0;
    const ssize_t got = ::read(fd, &c, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return !line.empty();
    if (c == '\n') return true;
    if (c != '\r' && line.size() < kMaxAnswerLength) line += c;
  }
}

// False when the stream is closed for good; the line is lost, and the run goes on.
bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return !(written < 0 && errno == EPIPE);
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

constexpr std::string_view kEraseLine = "\r\x1b[K";

// The terminal rows a prompt takes: a long question wraps, and every row must go before the
// next line, or its first part stays behind.
std::string erasePrompt(int fd, const std::string& prompt) {
  winsize size{};
  const int columns = ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  // Characters, not bytes: every byte but a UTF-8 continuation byte starts one.
  const auto characters = static_cast<int>(std::count_if(prompt.begin(), prompt.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  std::string erase(kEraseLine);
  for (int row = 1; row < (characters + columns - 1) / columns; ++row) erase += "\x1b[1A\x1b[K";
  return erase;
}

// The first `width` characters of a UTF-8 line (every byte but a continuation byte starts one).
std::string cutToWidth(const std::string& line, std::size_t width) {
  std::size_t characters = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if ((static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) continue;
    if (characters++ == width) return line.substr(0, i);
  }
  return line;
}

// Standard input is a pipe (not a file or /dev/null, which no person is behind).
bool stdinIsPipe() {
  struct stat status {};
  return ::fstat(STDIN_FILENO, &status) == 0 && S_ISFIFO(status.st_mode);
}

}  // namespace

bool isYes(const std::u16string& answer) {
  const QString typed = QString::fromStdU16String(answer).trimmed().toLower();
  if (typed == QLatin1String("y") || typed == QLatin1String("yes")) return true;
  //: The answers that mean yes at the y/N question, separated by commas, in lower case.
  const QString words = QString::fromStdU16String(translated(QT_TRANSLATE_NOOP("zedez", "y,yes")));
  return words.split(QLatin1Char(','), Qt::SkipEmptyParts).contains(typed);
}

int endWith(Console& console, const std::u16string& message, int code) {
  console.errorLine(u"zedez-updater: " + message);
  return code;
}

bool recordFileWritable(Console& console, const std::string& path) {
  if (path.empty()) return true;
  try {
    const RecordFileWriter record(path);
    return true;
  } catch (const std::exception& error) {
    endWith(console,
            translated(QT_TRANSLATE_NOOP("zedez", "%1; nothing was sent"), {errorMessageOf(error)}),
            kExitRecordUnwritable);
    return false;
  }
}

int usageFailure(Console& console, const std::u16string& message) {
  endWith(console, message, kExitUsage);
  console.errorLine(translated(QT_TRANSLATE_NOOP("zedez", "Try 'zedez-updater --help'.")));
  return kExitUsage;
}

Console::Console()
    : stdinIsTerminal_(::isatty(STDIN_FILENO) == 1),
      stderrIsTerminal_(::isatty(STDERR_FILENO) == 1) {
  if (stdinIsTerminal_) {
    questionIn_ = STDIN_FILENO;
    questionOut_ = STDERR_FILENO;
  } else if (stdinIsPipe()) {
    // "... | zedez-updater --devices -": the list comes through the pipe, the answers from
    // the person at the terminal.
    ownTerminal_ = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    questionIn_ = ownTerminal_;
    questionOut_ = stderrIsTerminal_ ? STDERR_FILENO : ownTerminal_;
  }
  int ends[2] = {-1, -1};
  if (questionIn_ >= 0 && ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
    cancelRead_ = ends[0];
    cancelWrite_ = ends[1];
  }
}

Console::~Console() {
  if (ownTerminal_ >= 0) ::close(ownTerminal_);
  if (cancelRead_ >= 0) ::close(cancelRead_);
  if (cancelWrite_ >= 0) ::close(cancelWrite_);
}

void Console::cancelQuestions() {
  questionsCancelled_ = true;
  // A full pipe is as good as a written byte: the reader wakes either way.
  if (cancelWrite_ >= 0 && ::write(cancelWrite_, "x", 1) < 0) {
  }
}

int Console::columnsLocked() const {
  winsize size{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}

int Console::terminalRows() const {
  winsize size{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 ? size.ws_row : 24;
}

void Console::eraseAreaLocked() {
  if (areaRowsShown_ == 0) return;
  // Row by row, back to the start of the area's first row. Not "erase below": a terminal
  // multiplexer (tmux) keeps a screen cleared from its top in the scrollback.
  std::string erase(kEraseLine);
  for (int row = 1; row < areaRowsShown_; ++row) erase += "\x1b[1A\x1b[K";
  writeAll(STDERR_FILENO, erase);
  areaRowsShown_ = 0;
}

void Console::drawAreaLocked() {
  if (area_.empty() || !prompt_.empty()) return;
  // One character short of the width: a line that fills the last column wraps on some
  // terminals, and the area would lose its place.
  const auto width = static_cast<std::size_t>(std::max(columnsLocked() - 1, 1));
  std::string shown;
  for (std::size_t i = 0; i < area_.size(); ++i) {
    if (i > 0) shown += '\n';
    shown += cutToWidth(area_[i], width);
  }
  writeAll(STDERR_FILENO, shown);
  areaRowsShown_ = static_cast<int>(area_.size());
}

void Console::setAreaLocked(std::vector<std::string> lines, bool passing) {
  eraseAreaLocked();
  area_ = std::move(lines);
  areaIsPassing_ = passing;
  drawAreaLocked();
}

bool Console::writeLineLocked(int fd, std::string line) {
  eraseAreaLocked();
  if (areaIsPassing_) {
    area_.clear();
    lastPercent_ = -1;
  }
  if (!prompt_.empty() && stderrIsTerminal_) {
    writeAll(questionOut_, erasePrompt(questionOut_, prompt_));
  }
  line += '\n';
  const bool written = writeAll(fd, line);
  if (!prompt_.empty()) writeAll(questionOut_, prompt_);
  drawAreaLocked();
  return written;
}

void Console::outputLine(std::string_view utf8) {
  std::function<void()> tell;
  {
    const std::lock_guard lock(mutex_);
    if (outputClosed_) return;
    if (!writeLineLocked(STDOUT_FILENO, std::string(utf8))) {
      outputClosed_ = true;
      tell = onOutputClosed_;
    }
  }
  // Outside the lock: the handler prints lines of its own.
  if (tell) tell();
}

void Console::setOutputClosedHandler(std::function<void()> onOutputClosed) {
  const std::lock_guard lock(mutex_);
  onOutputClosed_ = std::move(onOutputClosed);
}

void Console::outputLine(const std::u16string& text) { outputLine(text::utf16ToUtf8(text)); }

void Console::errorLine(const std::u16string& text) {
  const std::lock_guard lock(mutex_);
  writeLineLocked(STDERR_FILENO, text::utf16ToUtf8(text));
}

DialogResult Console::askYesNo(const std::u16string& question, bool yesByDefault) {
  if (!canAsk()) return DialogResult::Cancel;
  // One question at a time; the other lines go on printing while it waits.
  const std::lock_guard asking(questionMutex_);
  {
    const std::lock_guard lock(mutex_);
    eraseAreaLocked();
    const QString choices = QString::fromStdU16String(
        yesByDefault
            //: The choices shown after a question whose default is yes (an empty answer).
            ? translated(QT_TRANSLATE_NOOP("zedez", "[Y/n]"))
            //: The choices shown after the question: the answer for yes, and No, the default.
            : translated(QT_TRANSLATE_NOOP("zedez", "[y/N]")));
    prompt_ = text::utf16ToUtf8(question) + " " + choices.toStdString() + " ";
    writeAll(questionOut_, prompt_);
  }
  std::string answer;
  if (questionsCancelled_) return DialogResult::Cancel;
  const bool answered = readAnswerLine(questionIn_, cancelRead_, answer) && !questionsCancelled_;
  {
    const std::lock_guard lock(mutex_);
    prompt_.clear();
    if (!answered) writeAll(questionOut_, "\n");
    drawAreaLocked();
  }
  const std::u16string typed = text::utf8ToUtf16(answer);
  if (yesByDefault && answered && QString::fromStdU16String(typed).trimmed().isEmpty()) {
    return DialogResult::Ok;
  }
  return isYes(typed) ? DialogResult::Ok : DialogResult::Cancel;
}

void Console::showProgress(std::int64_t sent, std::int64_t total) {
  if (!stderrIsTerminal_ || quiet_ || total <= 0) return;
  const int percent = static_cast<int>(sent * 100 / total);
  const std::lock_guard lock(mutex_);
  if (!prompt_.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (lastPercent_ < 0) progressStart_ = now;
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  const double seconds = std::chrono::duration<double>(now - progressStart_).count();
  const double kibPerSecond = seconds > 0 ? static_cast<double>(sent) / 1024.0 / seconds : 0.0;
  // The bytes are those the connection took, not those the device confirmed: the rate says so.
  const std::u16string line = translated(
      QT_TRANSLATE_NOOP("zedez", "%1 / %2 bytes  %3%  handed to the network at %4 KiB/s"),
      {text::utf8ToUtf16(std::to_string(sent)), text::utf8ToUtf16(std::to_string(total)),
       text::utf8ToUtf16(std::to_string(percent)),
       text::utf8ToUtf16(std::to_string(static_cast<long long>(kibPerSecond)))});
  setAreaLocked({text::utf16ToUtf8(line)}, /*passing=*/true);
}

void Console::showPassing(const std::u16string& text) {
  if (!stderrIsTerminal_ || quiet_) return;
  const std::lock_guard lock(mutex_);
  if (!prompt_.empty()) return;
  lastPercent_ = -1;
  setAreaLocked({text::utf16ToUtf8(text)}, /*passing=*/true);
}

void Console::showArea(const std::vector<std::u16string>& lines) {
  if (!stderrIsTerminal_ || quiet_) return;
  std::vector<std::string> utf8;
  utf8.reserve(lines.size());
  for (const std::u16string& line : lines) utf8.push_back(text::utf16ToUtf8(line));
  const std::lock_guard lock(mutex_);
  setAreaLocked(std::move(utf8), /*passing=*/false);
}

void Console::clearArea() {
  const std::lock_guard lock(mutex_);
  eraseAreaLocked();
  area_.clear();
}

}  // namespace app::cli
