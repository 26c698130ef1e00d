#include "app/core/retry.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string_view>
#include <thread>

#include "app/core/core_text.h"
#include "text/utf8_codec.h"

namespace app {
namespace {

// The failures of reaching a register, as against a register that answered.
constexpr std::array<std::string_view, 8> kUnanswered = {
    "SocketError",   "ConnectTimeoutError",   "ConnectError",      "ReadTimeoutError",
    "DeadlineError", "ConnectionClosedError", "ClosedSocketError", "NotConnectedError"};

bool unanswered(const std::optional<FailureCause>& cause) {
  return cause && std::ranges::any_of(kUnanswered, [&cause](std::string_view name) {
           return cause->className == name;
         });
}

std::u16string number(int value) { return text::utf8ToUtf16(std::to_string(value)); }

// Gives the answer of the first try again, so that a later try of the same device does not
// ask the same question twice.
class AnswerOnce final : public Questioner {
 public:
  explicit AnswerOnce(Questioner& next) : next_(next) {}

  Answer ask(const DeviceAddress& address, const Question& question) override {
    if (answer_ && sameQuestion(question)) return *answer_;
    asked_ = question;
    answer_ = next_.ask(address, question);
    return *answer_;
  }

 private:
  [[nodiscard]] bool sameQuestion(const Question& question) const {
    return question.text == asked_.text && question.installedVersion == asked_.installedVersion &&
           question.imageVersion == asked_.imageVersion && question.downgrade == asked_.downgrade;
  }

  Questioner& next_;
  Question asked_;
  std::optional<Answer> answer_;
};

}  // namespace

bool worthRetrying(const DeviceOutcome& outcome) {
  if (outcome.result != RunResult::Failed || outcome.uploadConnected || outcome.bytesSent > 0) {
    return false;
  }
  // A state query that got no answer ends the run before the upload; so does a refused upload.
  return unanswered(outcome.error) || unanswered(outcome.stateError);
}

bool waitBeforeRetry(int seconds, const std::atomic<bool>* stop) {
  // A signal must not wait out the delay: the flag is looked at every 100 ms.
  constexpr auto kStep = std::chrono::milliseconds(100);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (stop != nullptr && stop->load()) return false;
    std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
        kStep, end - std::chrono::steady_clock::now()));
  }
  return stop == nullptr || !stop->load();
}

DeviceOutcome runDeviceWithRetries(const DeviceAddress& address, const DeviceRunOptions& options,
                                   const RetryPolicy& policy, RunObserver& observer,
                                   Questioner& questioner,
                                   const std::function<bool(int tryNumber)>& beforeTry) {
  AnswerOnce answers(questioner);
  const auto start = std::chrono::steady_clock::now();
  DeviceOutcome outcome = runDeviceUntold(address, options, observer, answers);
  for (int tryNumber = 2; tryNumber <= policy.retries + 1 && worthRetrying(outcome); ++tryNumber) {
    if (options.stop != nullptr && options.stop->load()) break;
    observer.diagnostic(
        address,
        translated(QT_TRANSLATE_NOOP("zedez", "trying again in %1 s (try %2 of %3)"),
                   {number(policy.delaySeconds), number(tryNumber), number(policy.retries + 1)}));
    if (!waitBeforeRetry(policy.delaySeconds, options.stop)) break;
    if (beforeTry && !beforeTry(tryNumber)) break;
    outcome = runDeviceUntold(address, options, observer, answers);
    outcome.tries = tryNumber;
  }
  // The whole time the device took, the delays included.
  outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return outcome;
}

}  // namespace app
