#pragma once

#include <utility>

namespace http {

// Runs a clean-up when the scope ends, unless dismissed first. For clean-up on failure only,
// dismiss the guard as the last step of the success path.
template <typename CleanUp>
class [[nodiscard]] ScopeGuard {
 public:
  explicit ScopeGuard(CleanUp cleanUp) : cleanUp_(std::move(cleanUp)) {}
  ScopeGuard(const ScopeGuard&) = delete;
  ScopeGuard& operator=(const ScopeGuard&) = delete;
  ScopeGuard(ScopeGuard&&) = delete;
  ScopeGuard& operator=(ScopeGuard&&) = delete;
  ~ScopeGuard() {
    if (!active_) return;
    try {
      cleanUp_();
    } catch (...) {  // NOLINT(bugprone-empty-catch): the failure that unwinds is the one to report
    }
  }

  void dismiss() noexcept { active_ = false; }

 private:
  CleanUp cleanUp_;
  bool active_ = true;
};

}  // namespace http
