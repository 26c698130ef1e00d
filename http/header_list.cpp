#include "http/header_list.h"

#include "http/detail/protocol_text.h"

namespace http {

using detail::trimLeftView;

namespace {

bool isContinuation(std::u16string_view line) {
  return !line.empty() && (line[0] == u' ' || line[0] == u'\t');
}

}  // namespace

void HeaderList::removeLine(std::size_t index) {
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index));
}

std::u16string_view HeaderList::nameOf(std::u16string_view line) {
  const std::size_t colon = line.find(u':');
  if (colon == std::u16string_view::npos) return trimView(line);
  return trimView(line.substr(0, colon));
}

std::size_t HeaderList::indexOfName(std::u16string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (isContinuation(lines_[i])) continue;
    const std::u16string_view line = lines_[i];
    if (line.find(u':') == std::u16string_view::npos) continue;
    if (equalsIgnoreCase(nameOf(line), name)) return i;
  }
  return npos;
}

std::size_t HeaderList::continuationEnd(std::size_t index) const {
  std::size_t end = index + 1;
  while (end < lines_.size() && isContinuation(lines_[end])) ++end;
  return end;
}

std::u16string HeaderList::valueAt(std::size_t index) const {
  const std::u16string_view line = lines_[index];
  std::u16string result(trimLeftView(line.substr(line.find(u':') + 1)));
  const std::size_t end = continuationEnd(index);
  for (std::size_t i = index + 1; i < end; ++i) {
    result += u' ';
    result += trimView(lines_[i]);
  }
  return std::u16string(trimView(result));
}

std::u16string HeaderList::value(std::u16string_view name) const {
  const std::size_t index = indexOfName(name);
  return index == npos ? std::u16string() : valueAt(index);
}

std::vector<std::u16string> HeaderList::values(std::u16string_view name) const {
  std::vector<std::u16string> result;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::u16string_view line = lines_[i];
    if (isContinuation(line) || line.find(u':') == std::u16string_view::npos) continue;
    if (equalsIgnoreCase(nameOf(line), name)) result.push_back(valueAt(i));
  }
  return result;
}

void HeaderList::setValue(std::u16string_view name, std::u16string_view value) {
  const std::size_t index = indexOfName(name);
  if (value.empty()) {
    if (index != npos) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                   lines_.begin() + static_cast<std::ptrdiff_t>(continuationEnd(index)));
    }
    return;
  }
  std::u16string line(name);
  line += u": ";
  line += value;
  if (index == npos) {
    lines_.push_back(std::move(line));
    return;
  }
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index + 1),
               lines_.begin() + static_cast<std::ptrdiff_t>(continuationEnd(index)));
  lines_[index] = std::move(line);
}

void HeaderList::add(std::u16string_view name, std::u16string_view value) {
  std::u16string line(name);
  line += u": ";
  line += value;
  lines_.push_back(std::move(line));
}

std::vector<std::u16string> HeaderList::extract(std::u16string_view name) {
  std::vector<std::u16string> result;
  std::size_t index = indexOfName(name);
  while (index != npos) {
    result.push_back(valueAt(index));
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(index),
                 lines_.begin() + static_cast<std::ptrdiff_t>(continuationEnd(index)));
    index = indexOfName(name);
  }
  return result;
}

}  // namespace http
