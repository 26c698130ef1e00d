// The run over many devices, driven by an observer of the test's own, without the command line;
// and the one state reading that every path shares.
#include "app/core/fleet/fleet_run.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <map>
#include <mutex>

#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/fleet/address_range.h"
#include "app/core/fleet/discovery.h"
#include "app/core/fleet/worker_pool.h"
#include "app/core/record_sink.h"
#include "device_simulator.h"

namespace {

using app::DeviceAddress;
using testsupport::DeviceSimulator;

class RecordingObserver final : public app::RunObserver, public app::Questioner {
 public:
  void deviceStarted(const DeviceAddress& address) override { add(address, u"started"); }
  void phase(const DeviceAddress& address, const app::PhaseChange& change) override {
    const std::scoped_lock lock(mutex_);
    if (change.phase == app::RunPhase::Sending) lastProgress[address] = {change.sent, change.total};
    if (change.phase == app::RunPhase::Sending && change.sent > 0) ++progressTold[address];
  }
  app::Answer ask(const DeviceAddress& address, const app::Question&) override {
    add(address, u"question");
    return app::Answer::No;
  }
  void outcome(const app::DeviceOutcome& outcome) override {
    add(outcome.address, u"outcome");
    const std::scoped_lock lock(mutex_);
    results[outcome.address] = outcome.result;
  }
  void notStarted(const DeviceAddress& address) override { add(address, u"not started"); }
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override {
    add(address, u"diagnostic:" + line);
  }

  std::mutex mutex_;
  std::map<DeviceAddress, std::vector<std::u16string>> events;
  std::map<DeviceAddress, std::pair<std::int64_t, std::int64_t>> lastProgress;
  std::map<DeviceAddress, int> progressTold;
  std::map<DeviceAddress, app::RunResult> results;

 private:
  void add(const DeviceAddress& address, std::u16string event) {
    const std::scoped_lock lock(mutex_);
    events[address].push_back(std::move(event));
  }
};

TEST(FleetRun, AListOfTwoReportsEveryStepToItsObserver) {
  DeviceSimulator current({"--version", "v1.0.12"});
  DeviceSimulator old({"--version", "1.0.9"});
  RecordingObserver observer;
  app::KeptRecord record;
  app::fleet::FleetRunOptions options;
  options.jobs = 2;
  options.record = &record;
  const std::atomic<bool> stop{false};
  const app::fleet::FleetTally tally = app::fleet::runFleet({current.address16(), old.address16()},
                                                            options, observer, observer, stop);

  EXPECT_EQ(tally.devices, 2);
  EXPECT_EQ(tally.uploaded, 1);
  EXPECT_EQ(tally.declined, 1);
  EXPECT_EQ(tally.notStarted, 0);
  EXPECT_EQ(observer.events[current.address16()],
            (std::vector<std::u16string>{u"started", u"question", u"outcome"}));
  EXPECT_EQ(observer.events[old.address16()],
            (std::vector<std::u16string>{u"started", u"outcome"}));
  EXPECT_EQ(observer.results[old.address16()], app::RunResult::Uploaded);
  const auto sent = static_cast<std::int64_t>(old.records("firmware").at(0).body.size());
  EXPECT_EQ(observer.lastProgress[old.address16()], std::make_pair(sent, sent));
  EXPECT_TRUE(current.records("firmware").empty());
  // The engine writes a line for each device.
  const std::vector<std::string> lines = record.lines();
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0].find(R"("result":"uploaded")") == std::string::npos,
            lines[1].find(R"("result":"uploaded")") != std::string::npos);
}

TEST(FleetRun, AStoppedRunStartsNothingAndRecordsEveryDeviceAsNotStarted) {
  RecordingObserver observer;
  app::KeptRecord record;
  const std::atomic<bool> stop{true};
  app::fleet::FleetRunOptions options;
  options.record = &record;
  const auto tally =
      app::fleet::runFleet({u"127.0.0.1", u"127.0.0.2"}, options, observer, observer, stop);
  EXPECT_EQ(tally.notStarted, 2);
  EXPECT_EQ(observer.events[u"127.0.0.1"], std::vector<std::u16string>{u"not started"});
  ASSERT_EQ(record.lines().size(), 2U);
  EXPECT_NE(record.lines()[1].find(R"("result":"not-started")"), std::string::npos);
}

// A device that the signal finds mid-upload is recorded and told once, as interrupted, with
// what it had been sent; its own end, should it come after, is neither recorded nor told. The
// device not yet started gets its line at once.
TEST(FleetRun, AnInterruptedDeviceGetsOneLineSayingHowFarItGot) {
  DeviceSimulator slow({"--version", "1.0.9", "--action", "firmware=close"});
  std::atomic<bool> stop{false};
  struct Interrupting final : app::RunObserver, app::Questioner {
    app::fleet::FleetRun* run = nullptr;
    std::atomic<bool>* stop = nullptr;
    std::vector<app::DeviceOutcome> outcomes;
    std::vector<DeviceAddress> cut;
    void phase(const DeviceAddress&, const app::PhaseChange& change) override {
      if (change.phase == app::RunPhase::WaitingForAnswer && cut.empty()) {
        *stop = true;
        cut = run->interrupt(u"SIGTERM");
      }
    }
    void outcome(const app::DeviceOutcome& outcome) override { outcomes.push_back(outcome); }
    app::Answer ask(const DeviceAddress&, const app::Question&) override { return app::Answer::No; }
  } observer;
  app::KeptRecord record;
  app::fleet::FleetRunOptions options;
  options.record = &record;
  app::fleet::FleetRun run(options, observer, observer);
  observer.run = &run;
  observer.stop = &stop;
  (void)run.run({slow.address16(), u"127.0.0.1"}, stop);
  EXPECT_EQ(observer.cut, std::vector<DeviceAddress>{slow.address16()});
  ASSERT_EQ(observer.outcomes.size(), 1U);
  EXPECT_EQ(observer.outcomes[0].result, app::RunResult::Interrupted);
  EXPECT_NE(observer.outcomes[0].status.find(u"after the whole image was sent"),
            std::u16string::npos);
  ASSERT_EQ(record.lines().size(), 2U);
  EXPECT_NE(record.lines()[0].find(R"("result":"interrupted")"), std::string::npos);
  EXPECT_NE(record.lines()[1].find(R"("result":"not-started")"), std::string::npos);
}

// Once the upload's request is out, a signal cuts it off, even before the first bytes of the
// image are confirmed sent.
TEST(FleetRun, AnUploadWhoseRequestIsOutIsCutOffFromItsFirstByte) {
  using app::fleet::RunSoFar;
  const auto now = std::chrono::steady_clock::now();
  const auto status = [now](const RunSoFar& soFar) {
    return app::fleet::interruptedOutcome(u"127.0.0.9", soFar, u"SIGTERM", now).status;
  };
  const RunSoFar asking{now, false, 0, 0, false};
  const RunSoFar begun{now, true, 0, 1000, false};
  const RunSoFar answered{now, true, 1000, 1000, true};
  EXPECT_FALSE(app::fleet::cutsOffUpload(asking));
  EXPECT_TRUE(app::fleet::cutsOffUpload(begun));
  EXPECT_FALSE(app::fleet::cutsOffUpload(answered));
  EXPECT_EQ(status(asking), u"interrupted by SIGTERM before the image was sent");
  EXPECT_EQ(status(begun),
            u"interrupted by SIGTERM after 0 of 1000 bytes of the image: the upload is cut off");
}

// A call that releases its slot goes on beside the next ones, which still run one at a time.
TEST(WorkerPool, AReleasedSlotStartsTheNextCallWhileTheFirstStillRuns) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::size_t> order;
  int holding = 0;
  int mostHolding = 0;
  bool nextStartedWhileWaiting = false;
  const std::atomic<bool> stop{false};
  const std::size_t started =
      app::fleet::runOnWorkers(3, 1, stop, [&](std::size_t index, app::fleet::WorkerSlot& slot) {
        std::unique_lock lock(mutex);
        order.push_back(index);
        mostHolding = std::max(mostHolding, ++holding);
        changed.notify_all();
        if (index != 0) {
          --holding;
          return;
        }
        --holding;
        lock.unlock();
        slot.release();
        slot.release();
        lock.lock();
        nextStartedWhileWaiting =
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return order.size() == 3; });
      });
  EXPECT_EQ(started, 3U);
  EXPECT_TRUE(nextStartedWhileWaiting);
  EXPECT_EQ(mostHolding, 1);
  EXPECT_EQ(order, (std::vector<std::size_t>{0, 1, 2}));
}

// With one job, the second register's upload does not wait for the first one's restart.
TEST(FleetRun, ARestartingRegisterLeavesItsJobToTheNext) {
  const std::vector<std::string> restarts{"--version", "1.0.9",           "--restart",
                                          "0.5",       "--version-after", "1.0.12"};
  DeviceSimulator first(restarts);
  DeviceSimulator second(restarts);
  struct Ordered final : app::RunObserver, app::Questioner {
    std::mutex mutex;
    std::vector<std::u16string> events;
    void deviceStarted(const DeviceAddress& address) override { add(u"started " + address); }
    void outcome(const app::DeviceOutcome& outcome) override { add(u"outcome " + outcome.address); }
    app::Answer ask(const DeviceAddress&, const app::Question&) override { return app::Answer::No; }
    void add(std::u16string event) {
      const std::scoped_lock lock(mutex);
      events.push_back(std::move(event));
    }
  } observer;
  app::fleet::FleetRunOptions options;
  options.jobs = 1;
  options.waitRestartSeconds = 20;
  const std::atomic<bool> stop{false};
  const auto tally = app::fleet::runFleet({first.address16(), second.address16()}, options,
                                          observer, observer, stop);
  EXPECT_EQ(tally.verified, 2);
  ASSERT_EQ(observer.events.size(), 4U);
  EXPECT_EQ(observer.events[1], u"started " + second.address16());
}

TEST(DeviceState, EveryPathDropsTheByteOrderMarkAlike) {
  DeviceSimulator device({"--version", "1.0.9", "--byte-order-mark"});
  app::DeviceInterface state;
  const app::StateReading reading = app::readDeviceState(state, device.address16());
  EXPECT_TRUE(reading.answered);
  EXPECT_EQ(reading.versionText, u"1.0.9");
  EXPECT_EQ(reading.version, 109);

  std::string error;
  const auto range = app::fleet::parseScanRange(device.address() + "/32", error);
  ASSERT_TRUE(range) << error;
  const std::atomic<bool> stop{false};
  const auto found = app::fleet::discover(*range, stop);
  ASSERT_EQ(found.size(), 1U);
  EXPECT_EQ(found[0].state.versionText, u"1.0.9");
}

}  // namespace
