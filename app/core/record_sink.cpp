#include "app/core/record_sink.h"

#include "app/core/run_record.h"

namespace app {

void RecordFile::append(const std::string& line) { appendRecordLine(path_, line); }

void KeptRecord::append(const std::string& line) {
  {
    const std::scoped_lock lock(mutex_);
    lines_.push_back(line);
  }
  if (next_ != nullptr) next_->append(line);
}

std::vector<std::string> KeptRecord::lines() const {
  const std::scoped_lock lock(mutex_);
  return lines_;
}

}  // namespace app
