#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/record_sink.h"

namespace app {

// The record of what the shop window did: every line the runs wrote, each with the files it
// is already in, so that saving it again to a file adds only what that file lacks. With a
// record file, each line also goes there as it comes; a line the file refuses is kept all
// the same, and the refusal passed on.
class ShopRecord final : public RecordSink {
 public:
  // recordFile: empty for none.
  explicit ShopRecord(const std::string& recordFile);

  void append(const std::string& line) override;

  [[nodiscard]] std::vector<std::string> lines() const;
  [[nodiscard]] bool empty() const;
  // Appends to file the lines not yet in it, in their order; how many. Raises the record
  // file's error when a line cannot be written (the lines before it count as written).
  std::size_t saveTo(const QString& file);

 private:
  struct Line {
    std::string text;
    QStringList writtenTo;
  };

  std::string recordFile_;
  QString recordFileKey_;
  mutable std::mutex mutex_;
  std::vector<Line> lines_;
};

}  // namespace app
