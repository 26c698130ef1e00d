#pragma once

#include <chrono>
#include <string>

namespace app {

// How long a run waits for another process's lock on the record file.
inline constexpr std::chrono::milliseconds kRecordLockWait{10'000};

// The record file of one run, open from before the first request to the end. Opening it
// proves that the run's lines can be written: the file is created or opened for appending,
// must be a regular file (a FIFO or a device would hold the run, or swallow its lines), and
// its lock must be had within lockWait. Each line is then appended under that lock, whole or
// not at all: a short write (a full disk) is cut off again.
class RecordFileWriter {
 public:
  // Raises FileError naming the file and the reason.
  explicit RecordFileWriter(std::string path, std::chrono::milliseconds lockWait = kRecordLockWait);
  RecordFileWriter(const RecordFileWriter&) = delete;
  RecordFileWriter& operator=(const RecordFileWriter&) = delete;
  ~RecordFileWriter();

  // Appends one line (with its line feed). Raises FileError when the lock is not had within
  // the wait or the line cannot be written whole; the file is then as it was.
  void append(const std::string& line);

  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  void lock();
  [[noreturn]] void fail(const char* what, int error) const;

  std::string path_;
  std::chrono::milliseconds lockWait_;
  int fd_ = -1;
};

}  // namespace app
