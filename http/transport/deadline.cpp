#include "http/transport/deadline.h"

#include <string>

#include "http/transport/connection_errors.h"
#include "text/utf8_codec.h"

namespace http {

Deadline Deadline::after(int ms) {
  Deadline deadline;
  if (ms > 0) {
    deadline.ms_ = ms;
    deadline.at_ = Clock::now() + std::chrono::milliseconds(ms);
  }
  return deadline;
}

int Deadline::cut(int ms, bool& cutShort) const {
  cutShort = false;
  if (!active() || ms == 0) return ms;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now()).count();
  if (left <= 0) raise();
  if (ms < 0 || ms >= left) {
    cutShort = true;
    return static_cast<int>(left);
  }
  return ms;
}

void Deadline::raise() const { throw DeadlineError(message()); }

std::u16string Deadline::message() const {
  std::string amount;
  if (ms_ < 1000) {
    amount = std::to_string(ms_) + " ms";
  } else {
    amount = std::to_string(ms_ / 1000);
    if (const int rest = ms_ % 1000; rest != 0) {
      std::string fraction = std::to_string(1000 + rest).substr(1);
      while (fraction.back() == '0') fraction.pop_back();
      amount += "." + fraction;
    }
    amount += " s";
  }
  return text::latin1ToUtf16("Request did not finish within " + amount);
}

}  // namespace http
