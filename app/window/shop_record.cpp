#include "app/window/shop_record.h"

#include <QFileInfo>

#include "app/core/run_record.h"

namespace app {
namespace {

// The same file, however its name was written.
QString fileKey(const QString& file) {
  const QFileInfo info(file);
  const QString canonical = info.canonicalFilePath();
  return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

}  // namespace

ShopRecord::ShopRecord(const std::string& recordFile) : recordFile_(recordFile) {
  if (!recordFile_.empty()) recordFileKey_ = fileKey(QString::fromStdString(recordFile_));
}

void ShopRecord::append(const std::string& line) {
  const std::scoped_lock lock(mutex_);
  lines_.push_back({line, {}});
  if (recordFile_.empty()) return;
  appendRecordLine(recordFile_, line);
  lines_.back().writtenTo << recordFileKey_;
}

std::vector<std::string> ShopRecord::lines() const {
  const std::scoped_lock lock(mutex_);
  std::vector<std::string> texts;
  texts.reserve(lines_.size());
  for (const Line& line : lines_) texts.push_back(line.text);
  return texts;
}

bool ShopRecord::empty() const {
  const std::scoped_lock lock(mutex_);
  return lines_.empty();
}

std::size_t ShopRecord::saveTo(const QString& file) {
  const std::scoped_lock lock(mutex_);
  std::size_t appended = 0;
  for (Line& line : lines_) {
    if (line.writtenTo.contains(fileKey(file))) continue;
    appendRecordLine(file.toStdString(), line.text);
    // Named once it exists too: a new file has its canonical name only now.
    line.writtenTo << fileKey(file);
    ++appended;
  }
  return appended;
}

}  // namespace app
