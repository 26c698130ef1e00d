#include "app/cli/console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "http/transport/utf.h"

namespace app::cli {
namespace {

// An answer longer than this is no "y" either; the rest of its line is still read away.
constexpr std::size_t kMaxAnswerLength = 64;

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

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

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // a closed stream loses the line; the run goes on
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
}

}  // namespace

Console::Console()
    : stdinIsTerminal_(::isatty(STDIN_FILENO) == 1),
      stderrIsTerminal_(::isatty(STDERR_FILENO) == 1) {}

void Console::clearProgressLocked() {
  if (!progressShown_) return;
  writeAll(STDERR_FILENO, "\r\x1b[K");
  progressShown_ = false;
  lastPercent_ = -1;
}

void Console::outputLine(std::string_view utf8) {
  const std::lock_guard lock(mutex_);
  clearProgressLocked();
  std::string line(utf8);
  line += '\n';
  writeAll(STDOUT_FILENO, line);
}

void Console::outputLine(const std::u16string& text) { outputLine(http::toUtf8(text)); }

void Console::errorLine(const std::u16string& text) {
  const std::lock_guard lock(mutex_);
  clearProgressLocked();
  writeAll(STDERR_FILENO, http::toUtf8(text) + '\n');
}

DialogResult Console::askYesNo(const std::u16string& question) {
  const std::lock_guard lock(mutex_);
  clearProgressLocked();
  writeAll(STDERR_FILENO, http::toUtf8(question) + " [y/N] ");
  std::string answer;
  const bool answered = readAnswerLine(answer);
  if (!answered) writeAll(STDERR_FILENO, "\n");
  answer = lowerAscii(answer);
  return answer == "y" || answer == "yes" ? DialogResult::Ok : DialogResult::Cancel;
}

void Console::showProgress(std::int64_t sent, std::int64_t total) {
  if (!stderrIsTerminal_ || total <= 0) return;
  const int percent = static_cast<int>(sent * 100 / total);
  const std::lock_guard lock(mutex_);
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
  progressShown_ = true;
}

}  // namespace app::cli
