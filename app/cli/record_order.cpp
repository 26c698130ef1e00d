#include "app/cli/record_order.h"

#include <algorithm>

namespace app::cli {
namespace {

constexpr std::size_t kMostWindowLines = 4096;
constexpr std::size_t kMostWindowBytes = std::size_t{16} << 20;

std::size_t bytesOf(const RecordEntry& entry) {
  return sizeof entry + entry.raw.size() + entry.causeMessage.size() + entry.versionBefore.size() +
         entry.versionAfter.size() + entry.site.size() + entry.address.size();
}

}  // namespace

RecordStream::RecordStream(const std::vector<std::FILE*>& files) {
  for (std::FILE* file : files) {
    sources_.push_back(std::make_unique<Source>(Source{RecordReader(file), {}, false}));
    advance(*sources_.back());
  }
}

void RecordStream::advance(Source& source) {
  for (;;) {
    switch (source.reader.next(source.head)) {
      case RecordReader::Got::Entry:
        source.hasHead = true;
        return;
      case RecordReader::Got::NoRecord:
        ++skipped_;
        continue;
      case RecordReader::Got::End:
        source.hasHead = false;
        return;
    }
  }
}

// The earliest head of the files; ties go to the file named first.
bool RecordStream::takeFromFiles(RecordEntry& entry) {
  Source* earliest = nullptr;
  for (const auto& source : sources_) {
    if (source->hasHead && (earliest == nullptr || source->head.timeMs < earliest->head.timeMs)) {
      earliest = source.get();
    }
  }
  if (earliest == nullptr) return false;
  entry = std::move(earliest->head);
  advance(*earliest);
  return true;
}

bool RecordStream::next(RecordEntry& entry) {
  RecordEntry incoming;
  while ((window_.size() < kMostWindowLines && windowBytes_ < kMostWindowBytes) &&
         takeFromFiles(incoming)) {
    windowBytes_ += bytesOf(incoming);
    const std::int64_t time = incoming.timeMs;
    window_.push_back(Pending{time, arrivals_++, std::move(incoming)});
    std::push_heap(window_.begin(), window_.end(), Later{});
  }
  if (window_.empty()) return false;
  std::pop_heap(window_.begin(), window_.end(), Later{});
  windowBytes_ -= bytesOf(window_.back().entry);
  entry = std::move(window_.back().entry);
  window_.pop_back();
  return true;
}

}  // namespace app::cli
