#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace http {

// An ordered list of header lines, each "Name: value". Names compare case-insensitively.
// Lines that begin with a blank continue the line before them (as received on the wire).
class HeaderList {
 public:
  [[nodiscard]] std::size_t count() const { return lines_.size(); }
  [[nodiscard]] bool empty() const { return lines_.empty(); }
  [[nodiscard]] const std::u16string& line(std::size_t index) const { return lines_.at(index); }
  [[nodiscard]] const std::vector<std::u16string>& lines() const { return lines_; }

  void clear() { lines_.clear(); }
  void addLine(std::u16string line) { lines_.push_back(std::move(line)); }
  void removeLine(std::size_t index);

  // The value of the first line of that name, its continuation lines joined with one space,
  // trimmed; empty text when there is none.
  [[nodiscard]] std::u16string value(std::u16string_view name) const;
  // Every value of that name, in order.
  [[nodiscard]] std::vector<std::u16string> values(std::u16string_view name) const;

  // Replaces the first line of that name in place, appends one when there is none, and
  // removes the line (with its continuations) when the value is empty.
  void setValue(std::u16string_view name, std::u16string_view value);
  // Appends "name: value" without looking for an existing line.
  void add(std::u16string_view name, std::u16string_view value);

  // Removes every line of that name (with its continuations) and returns their values.
  std::vector<std::u16string> extract(std::u16string_view name);

  // Index of the first line of that name, or npos.
  [[nodiscard]] std::size_t indexOfName(std::u16string_view name) const;
  // The name part of a line (text before the first ":"), trimmed.
  [[nodiscard]] static std::u16string_view nameOf(std::u16string_view line);

  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

 private:
  [[nodiscard]] std::size_t indexOfName(std::u16string_view name, std::size_t from) const;
  [[nodiscard]] std::u16string valueAt(std::size_t index) const;
  [[nodiscard]] std::size_t continuationEnd(std::size_t index) const;

  std::vector<std::u16string> lines_;
};

}  // namespace http
