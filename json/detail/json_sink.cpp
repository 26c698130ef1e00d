#include "json/detail/json_sink.h"

namespace json::detail {

namespace {
// Blocks of earlier documents, kept so that writing a large document again touches memory
// that is already mapped.
thread_local std::vector<std::unique_ptr<char16_t[]>> spareBlocks;
}  // namespace

void JsonSink::nextBlock() {
  if (spareBlocks.empty()) {
    spilled_.push_back(std::unique_ptr<char16_t[]>(new char16_t[kBlockUnits]));
  } else {
    spilled_.push_back(std::move(spareBlocks.back()));
    spareBlocks.pop_back();
  }
  block_ = spilled_.back().get();
  size_ = kBlockUnits;
  used_ = 0;
}

void JsonSink::finish() {
  if (spilled_.empty()) {
    target_.append(first_.data(), used_);
    used_ = 0;
    return;
  }
  std::vector<std::u16string_view> pieces;
  pieces.reserve(spilled_.size() + 1);
  pieces.emplace_back(first_.data(), kFirstBlockUnits);
  for (std::size_t i = 0; i + 1 < spilled_.size(); ++i) {
    pieces.emplace_back(spilled_[i].get(), kBlockUnits);
  }
  pieces.emplace_back(block_, used_);
  target_.append(pieces);
  for (auto& block : spilled_) spareBlocks.push_back(std::move(block));
  spilled_.clear();
  block_ = first_.data();
  size_ = kFirstBlockUnits;
  used_ = 0;
}

}  // namespace json::detail
