#include "app/core/record_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "app/core/core_text.h"
#include "app/core/errors.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

using Clock = std::chrono::steady_clock;

// flock has no timeout of its own: it is tried again at this pace until the wait is over.
constexpr std::chrono::milliseconds kLockRetry{50};

}  // namespace

RecordFileWriter::RecordFileWriter(std::string path, std::chrono::milliseconds lockWait)
    : path_(std::move(path)), lockWait_(lockWait) {
  // Not blocking: opening a FIFO for writing would wait for a reader without end.
  fd_ = ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY,
               0644);
  if (fd_ < 0) fail(QT_TRANSLATE_NOOP("zedez", "Cannot open the record file \"%1\": %2"), errno);
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    const int error = errno;
    ::close(fd_);
    fail(QT_TRANSLATE_NOOP("zedez", "Cannot open the record file \"%1\": %2"), error);
  }
  if (!S_ISREG(status.st_mode)) {
    ::close(fd_);
    throw FileError(
        translated(QT_TRANSLATE_NOOP("zedez", "The record file \"%1\" is no regular file"),
                   {text::utf8ToUtf16(path_)}));
  }
  try {
    lock();
  } catch (...) {
    ::close(fd_);
    throw;
  }
  ::flock(fd_, LOCK_UN);
}

RecordFileWriter::~RecordFileWriter() { ::close(fd_); }

void RecordFileWriter::fail(const char* what, int error) const {
  throw FileError(translated(
      what, {text::utf8ToUtf16(path_), text::utf8ToUtf16(std::generic_category().message(error))}));
}

void RecordFileWriter::lock() {
  const auto deadline = Clock::now() + lockWait_;
  while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    if (error == EINTR) continue;
    if (error != EWOULDBLOCK) {
      fail(QT_TRANSLATE_NOOP("zedez", "Cannot lock the record file \"%1\": %2"), error);
    }
    if (Clock::now() >= deadline) {
      throw FileError(translated(
          QT_TRANSLATE_NOOP("zedez",
                            "The record file \"%1\" stays locked by another process (waited %2 s)"),
          {text::utf8ToUtf16(path_),
           text::utf8ToUtf16(std::to_string(
               std::chrono::duration_cast<std::chrono::seconds>(lockWait_).count()))}));
    }
    std::this_thread::sleep_for(kLockRetry);
  }
}

void RecordFileWriter::append(const std::string& line) {
  lock();
  struct Unlock {
    int fd;
    ~Unlock() { ::flock(fd, LOCK_UN); }
  } unlock{fd_};
  struct stat status {};
  if (::fstat(fd_, &status) != 0) {
    fail(QT_TRANSLATE_NOOP("zedez", "Cannot write to the record file \"%1\": %2"), errno);
  }
  // Under the lock every writer appends, so the line starts at the present end.
  const off_t end = status.st_size;
  std::size_t done = 0;
  int error = 0;
  while (done < line.size()) {
    const ssize_t written = ::write(fd_, line.data() + done, line.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  if (done == line.size()) return;
  // A torn line would be read as a line of its own; what was written of it goes again.
  if (done > 0 && ::ftruncate(fd_, end) != 0) {
    // The error below is what the caller hears; the torn part stays, as nothing can undo it.
  }
  fail(QT_TRANSLATE_NOOP("zedez", "Cannot write to the record file \"%1\": %2"), error);
}

}  // namespace app
