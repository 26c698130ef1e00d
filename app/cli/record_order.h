#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/cli/record_reader.h"

namespace app::cli {

// The lines of several record files in the order of their times. Each file is read once, from
// its start, in a bounded buffer. Lines within a file are appended as they happen and so come
// nearly in order; those out of order by less than a window of a few thousand lines are put
// in their place, and the files are merged by time.
class RecordStream {
 public:
  // Takes the open files; the caller closes them after the stream is gone.
  explicit RecordStream(const std::vector<std::FILE*>& files);

  // The next record in time order; false at the end.
  bool next(RecordEntry& entry);

  // Lines that were no record, so far.
  [[nodiscard]] std::int64_t skipped() const { return skipped_; }

 private:
  struct Pending {
    std::int64_t timeMs;
    std::uint64_t arrival;
    RecordEntry entry;
  };
  struct Later {
    bool operator()(const Pending& a, const Pending& b) const {
      return a.timeMs != b.timeMs ? a.timeMs > b.timeMs : a.arrival > b.arrival;
    }
  };
  struct Source {
    RecordReader reader;
    RecordEntry head;
    bool hasHead = false;
  };

  void advance(Source& source);
  bool takeFromFiles(RecordEntry& entry);

  std::vector<std::unique_ptr<Source>> sources_;
  std::vector<Pending> window_;  // a heap, earliest first
  std::size_t windowBytes_ = 0;
  std::uint64_t arrivals_ = 0;
  std::int64_t skipped_ = 0;
};

}  // namespace app::cli
