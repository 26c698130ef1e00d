#pragma once

#include <cstdint>
#include <string>

#include "app/core/device_address.h"
#include "app/core/run_step.h"

namespace app {

struct DeviceOutcome;

// Where a device's run stands.
enum class RunPhase {
  ReadingState,      // the state query is under way; seconds: the most it may take
  Sending,           // image bytes handed to the connection: sent of total
  WaitingForAnswer,  // the whole image is out; the answer may take seconds
  Restarting,        // the upload was answered; the device may take seconds to come back
  Verifying,         // the device answered again; its version is compared with the image's
  Done,              // the outcome follows
};

struct PhaseChange {
  RunPhase phase = RunPhase::ReadingState;
  std::int64_t sent = 0;
  std::int64_t total = 0;
  int seconds = 0;
};

// What a front end hears of a run, as it happens. Every call has a default that does nothing.
// A run over many devices calls from its worker threads, several at once: an observer locks
// inside what it shares.
class RunObserver {
 public:
  RunObserver() = default;
  RunObserver(const RunObserver&) = delete;
  RunObserver& operator=(const RunObserver&) = delete;
  virtual ~RunObserver() = default;

  virtual void deviceStarted(const DeviceAddress& /*address*/) {}
  // Sending is told for each block of the image, and so is the progress.
  virtual void phase(const DeviceAddress& /*address*/, const PhaseChange& /*change*/) {}
  // The state query is done: the version text the device named (empty when none).
  virtual void stateRead(const DeviceAddress& /*address*/, const std::u16string& /*versionText*/) {}
  // A step of the state query or the upload, for a front end that shows each one.
  virtual void step(const DeviceAddress& /*address*/, const RunStep& /*step*/) {}
  // A cause of a failure, one line.
  virtual void diagnostic(const DeviceAddress& /*address*/, const std::u16string& /*line*/) {}
  // A device is done: its outcome, after its record line.
  virtual void outcome(const DeviceOutcome& /*outcome*/) {}
  // A device of a list that never started, after its record line.
  virtual void notStarted(const DeviceAddress& /*address*/) {}
  // A record line could not be written; message names the file and why.
  virtual void recordFailed(const std::u16string& /*message*/) {}
};

enum class Answer { Yes, No };

// The question about installing over a version that counts as current.
struct Question {
  // As the specified window asks it.
  std::u16string text;
  std::u16string installedVersion;
  std::u16string imageVersion;
  // It asks to install over a newer version.
  bool downgrade = false;
};

// The question with both versions, so that the one who answers knows what is at stake.
std::u16string questionWithVersions(const Question& question);

// Who answers the question for a device; only that device waits for the answer. A run over
// many devices asks from its worker threads.
class Questioner {
 public:
  Questioner() = default;
  Questioner(const Questioner&) = delete;
  Questioner& operator=(const Questioner&) = delete;
  virtual ~Questioner() = default;

  virtual Answer ask(const DeviceAddress& address, const Question& question) = 0;
};

// Answers every question the same way, without asking anyone.
class FixedAnswer final : public Questioner {
 public:
  explicit FixedAnswer(Answer answer) : answer_(answer) {}
  Answer ask(const DeviceAddress& /*address*/, const Question& /*question*/) override {
    return answer_;
  }

 private:
  Answer answer_;
};

}  // namespace app
