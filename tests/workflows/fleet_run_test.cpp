// The run over many devices, driven by an observer of the test's own, without the command line;
// and the one state reading that every path shares.
#include "app/core/fleet/fleet_run.h"

#include <gtest/gtest.h>

#include <map>
#include <mutex>

#include "app/core/device_interface.h"
#include "app/core/device_state.h"
#include "app/core/fleet/address_range.h"
#include "app/core/fleet/discovery.h"
#include "device_simulator.h"

namespace {

using app::DeviceAddress;
using testsupport::DeviceSimulator;

class RecordingObserver final : public app::fleet::FleetObserver {
 public:
  void deviceStarted(const DeviceAddress& address) override { add(address, u"started"); }
  void progress(const DeviceAddress& address, std::int64_t sent, std::int64_t total) override {
    const std::scoped_lock lock(mutex_);
    lastProgress[address] = {sent, total};
  }
  app::DialogResult question(const DeviceAddress& address, const std::u16string&) override {
    add(address, u"question");
    return app::DialogResult::Cancel;
  }
  void restartWaitStarted(const DeviceAddress& address, int /*seconds*/) override {
    add(address, u"restart");
  }
  void step(const DeviceAddress& /*address*/, const app::RunStep& /*step*/) override {}
  void outcome(const app::DeviceOutcome& outcome) override {
    add(outcome.address, u"outcome");
    const std::scoped_lock lock(mutex_);
    results[outcome.address] = outcome.result;
  }
  void diagnostic(const DeviceAddress& address, const std::u16string& line) override {
    add(address, u"diagnostic:" + line);
  }

  std::mutex mutex_;
  std::map<DeviceAddress, std::vector<std::u16string>> events;
  std::map<DeviceAddress, std::pair<std::int64_t, std::int64_t>> lastProgress;
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
  app::fleet::FleetRunOptions options;
  options.jobs = 2;
  const std::atomic<bool> stop{false};
  const app::fleet::FleetTally tally =
      app::fleet::runFleet({current.address16(), old.address16()}, options, observer, stop);

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
}

TEST(FleetRun, AStoppedRunStartsNothingAndCountsEveryDeviceAsNotStarted) {
  RecordingObserver observer;
  const std::atomic<bool> stop{true};
  const auto tally = app::fleet::runFleet({u"127.0.0.1", u"127.0.0.2"}, {}, observer, stop);
  EXPECT_EQ(tally.notStarted, 2);
  EXPECT_TRUE(observer.events.empty());
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
