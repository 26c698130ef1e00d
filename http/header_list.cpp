#include "http/header_list.h"

#include "http/detail/protocol_text.h"

namespace http {

using detail::trimLeftView;

namespace {

bool isContinuation(std::u16string_view line) {
  return !line.empty() && (line[0] == u' ' || line[0] == u'\t');
}

// Whether the text before the line's first ":", trimmed, is name (ignoring case): one pass that
// stops at the first character that differs, as every lookup tries every line. Such a text
// never holds a ":" or ends in a blank, so a name that does matches no line.
bool hasName(std::u16string_view line, std::u16string_view name) {
  std::size_t at = 0;
  while (at < line.size() && line[at] <= u' ') ++at;
  if (line.size() - at < name.size() || !equalsIgnoreCase(line.substr(at, name.size()), name)) {
    return false;
  }
  for (at += name.size(); at < line.size(); ++at) {
    if (line[at] == u':') {
      return name.find(u':') == std::u16string_view::npos &&
             (name.empty() || (name.front() > u' ' && name.back() > u' '));
    }
    if (line[at] > u' ') return false;
  }
  return false;
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

std::size_t HeaderList::indexOfName(std::u16string_view name) const { return indexOfName(name, 0); }

std::size_t HeaderList::indexOfName(std::u16string_view name, std::size_t from) const {
  for (std::size_t i = from; i < lines_.size(); ++i) {
    if (!isContinuation(lines_[i]) && hasName(lines_[i], name)) return i;
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
    if (!isContinuation(lines_[i]) && hasName(lines_[i], name)) result.push_back(valueAt(i));
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
    index = indexOfName(name, index);  // the lines before it hold none
  }
  return result;
}

}  // namespace http
