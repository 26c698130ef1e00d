#include "http/transport/deadline.h"

#include <algorithm>
#include <string>

#include "http/transport/connection_errors.h"
#include "text/utf8_codec.h"

namespace http {

Deadline Deadline::after(std::chrono::milliseconds limit) {
  Deadline deadline;
  if (limit.count() > 0) {
    deadline.length_ = limit;
    deadline.at_ = Clock::now() + limit;
  }
  return deadline;
}

std::chrono::milliseconds Deadline::left() const {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now());
  return std::max(left, std::chrono::milliseconds(0));
}

int Deadline::cut(int ms, bool& cutShort) const {
  cutShort = false;
  if (!active() || ms == 0) return ms;
  const auto left = this->left().count();
  if (left <= 0) raise();
  if (ms < 0 || ms >= left) {
    cutShort = true;
    return static_cast<int>(left);
  }
  return ms;
}

void Deadline::raise() const { throw DeadlineError(message()); }

std::u16string Deadline::message() const {
  const long long ms = length_.count();
  std::string amount;
  if (ms < 1000) {
    amount = std::to_string(ms) + " ms";
  } else {
    amount = std::to_string(ms / 1000);
    if (const long long rest = ms % 1000; rest != 0) {
      std::string fraction = std::to_string(1000 + rest).substr(1);
      while (fraction.back() == '0') fraction.pop_back();
      amount += "." + fraction;
    }
    amount += " s";
  }
  return text::latin1ToUtf16("Request did not finish within " + amount);
}

}  // namespace http
