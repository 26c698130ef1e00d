#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace app {

// Where a run's record lines go. The run serialises its calls.
class RecordSink {
 public:
  RecordSink() = default;
  RecordSink(const RecordSink&) = delete;
  RecordSink& operator=(const RecordSink&) = delete;
  virtual ~RecordSink() = default;

  // Writes one whole line (it ends with a line feed); raises an error that names the place
  // and the reason when it cannot.
  virtual void append(const std::string& line) = 0;
};

// Appends each line to a record file.
class RecordFile final : public RecordSink {
 public:
  explicit RecordFile(std::string path) : path_(std::move(path)) {}
  void append(const std::string& line) override;
  [[nodiscard]] const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Keeps every line it is given, and passes each on to another sink when there is one; a line
// that the other sink refuses is kept all the same.
class KeptRecord final : public RecordSink {
 public:
  explicit KeptRecord(RecordSink* next = nullptr) : next_(next) {}
  void append(const std::string& line) override;
  [[nodiscard]] std::vector<std::string> lines() const;

 private:
  RecordSink* next_;
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace app
