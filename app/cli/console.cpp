#include "app/cli/console.h"

#include <sys/ioctl.h>
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

// One line from standard input, without its line end; false at the end of input.
bool readAnswerLine(std::string& line) {
  line.clear();
  for (;;) {
    char c = 0;
    const ssize_t got = ::read(STDIN_FILENO, &c, 1);
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
std::string erasePrompt(const std::string& prompt) {
  winsize size{};
  const int columns =
      ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  // Characters, not bytes: every byte but a UTF-8 continuation byte starts one.
  const auto characters = static_cast<int>(std::count_if(prompt.begin(), prompt.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  std::string erase(kEraseLine);
  for (int row = 1; row < (characters + columns - 1) / columns; ++row) erase += "\x1b[1A\x1b[K";
  return erase;
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
      stderrIsTerminal_(::isatty(STDERR_FILENO) == 1) {}

void Console::clearPassingLocked() {
  if (!passingShown_) return;
  writeAll(STDERR_FILENO, kEraseLine);
  passingShown_ = false;
  lastPercent_ = -1;
}

void Console::writeLineLocked(int fd, std::string line) {
  clearPassingLocked();
  if (!prompt_.empty() && stderrIsTerminal_) writeAll(STDERR_FILENO, erasePrompt(prompt_));
  line += '\n';
  writeAll(fd, line);
  if (!prompt_.empty()) writeAll(STDERR_FILENO, prompt_);
}

void Console::outputLine(std::string_view utf8) {
  std::function<void()> tell;
  {
    const std::lock_guard lock(mutex_);
    if (outputClosed_) return;
    clearPassingLocked();
    if (!prompt_.empty() && stderrIsTerminal_) writeAll(STDERR_FILENO, erasePrompt(prompt_));
    if (!writeAll(STDOUT_FILENO, std::string(utf8) + '\n')) {
      outputClosed_ = true;
      tell = onOutputClosed_;
    }
    if (!prompt_.empty()) writeAll(STDERR_FILENO, prompt_);
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

DialogResult Console::askYesNo(const std::u16string& question) {
  // One question at a time; the other lines go on printing while it waits.
  const std::lock_guard asking(questionMutex_);
  {
    const std::lock_guard lock(mutex_);
    clearPassingLocked();
    //: The choices shown after the question: the answer for yes, and No, the default.
    const QString choices =
        QString::fromStdU16String(translated(QT_TRANSLATE_NOOP("zedez", "[y/N]")));
    prompt_ = text::utf16ToUtf8(question) + " " + choices.toStdString() + " ";
    writeAll(STDERR_FILENO, prompt_);
  }
  std::string answer;
  const bool answered = readAnswerLine(answer);
  {
    const std::lock_guard lock(mutex_);
    prompt_.clear();
    if (!answered) writeAll(STDERR_FILENO, "\n");
  }
  return isYes(text::utf8ToUtf16(answer)) ? DialogResult::Ok : DialogResult::Cancel;
}

void Console::showProgress(std::int64_t sent, std::int64_t total) {
  if (!stderrIsTerminal_ || total <= 0) return;
  const int percent = static_cast<int>(sent * 100 / total);
  const std::lock_guard lock(mutex_);
  if (!prompt_.empty()) return;
  const auto now = std::chrono::steady_clock::now();
  if (lastPercent_ < 0) progressStart_ = now;
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  const double seconds = std::chrono::duration<double>(now - progressStart_).count();
  const double kibPerSecond = seconds > 0 ? static_cast<double>(sent) / 1024.0 / seconds : 0.0;
  char line[128];
  const int length = std::snprintf(
      line, sizeof line, "\r%lld / %lld bytes  %3d%%  %.0f KiB/s\x1b[K",
      static_cast<long long>(sent), static_cast<long long>(total), percent, kibPerSecond);
  if (length > 0) writeAll(STDERR_FILENO, std::string_view(line, static_cast<std::size_t>(length)));
  passingShown_ = true;
}

void Console::showPassing(const std::u16string& text) {
  if (!stderrIsTerminal_) return;
  const std::lock_guard lock(mutex_);
  if (!prompt_.empty()) return;
  writeAll(STDERR_FILENO, std::string(kEraseLine) + text::utf16ToUtf8(text) + "\x1b[K");
  passingShown_ = true;
  lastPercent_ = -1;
}

}  // namespace app::cli
