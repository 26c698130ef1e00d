#pragma once

#include <chrono>
#include <string>

namespace http {

// The end of a whole exchange. Every wait on the way is cut to the time left, and a wait that
// runs into the end raises DeadlineError. A default-made deadline is none.
class Deadline {
 public:
  using Clock = std::chrono::steady_clock;

  Deadline() = default;
  // Ends limit from now; a limit of zero or less gives none.
  [[nodiscard]] static Deadline after(std::chrono::milliseconds limit);
  [[nodiscard]] static Deadline after(int ms) { return after(std::chrono::milliseconds(ms)); }

  [[nodiscard]] bool active() const noexcept { return length_.count() > 0; }
  // The time left, rounded up to whole milliseconds (zero once passed); only when active().
  [[nodiscard]] std::chrono::milliseconds left() const;
  [[nodiscard]] bool passed() const { return active() && Clock::now() >= at_; }
  // The wait to use instead of ms (< 0: no limit; 0: a poll, which never waits and is never
  // cut). cut is set when the deadline, not ms, bounds the wait. Raises DeadlineError when
  // the end has come and the wait would be more than a poll.
  [[nodiscard]] int cut(int ms, bool& cutShort) const;
  [[noreturn]] void raise() const;
  // "Request did not finish within 2 s" (ms for less than a second).
  [[nodiscard]] std::u16string message() const;

 private:
  Clock::time_point at_{};
  std::chrono::milliseconds length_{0};
};

}  // namespace http
