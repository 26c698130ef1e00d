// The operator's input for a run over many devices: scan ranges, device lists and the
// optional seconds of --wait-restart.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/device_list.h"
#include "app/cli/fleet_options.h"
#include "app/core/fleet/address_range.h"

namespace app {
namespace {

using cli::readDeviceList;
using cli::withWaitRestartValue;
using fleet::addressText;
using fleet::parseScanRange;

TEST(ScanRange, HostsOfABlockWithoutNetworkAndBroadcast) {
  std::string error;
  const auto range = parseScanRange("127.77.1.99/24", error);
  ASSERT_TRUE(range);
  EXPECT_EQ(addressText(range->first), "127.77.1.1");
  EXPECT_EQ(addressText(range->last), "127.77.1.254");
  EXPECT_EQ(parseScanRange("127.0.0.0/16", error)->size(), 65534U);
  EXPECT_EQ(parseScanRange("127.0.0.8/31", error)->size(), 2U);
  EXPECT_EQ(parseScanRange("127.0.0.8/32", error)->size(), 1U);
}

TEST(ScanRange, WiderThanSixteenOrMalformedIsRefused) {
  for (const char* bad : {"127.0.0.0/15", "0.0.0.0/0", "127.0.0.0", "127.0.0/24", "127.0.0.0/33",
                          "127.0.0.0/2x", "127.0.0.0/", "host/24"}) {
    std::string error;
    EXPECT_FALSE(parseScanRange(bad, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  std::string error;
  parseScanRange("127.0.0.0/15", error);
  EXPECT_NE(error.find("wider than /16"), std::string::npos);
}

TEST(DeviceList, CommentsBlanksAndScanOutputAreRead) {
  std::istringstream in(
      "# shop 1\n"
      "\n"
      "  127.0.0.5   # till 1\r\n"
      "127.0.0.6 1.0.9\n"
      "{\"address\":\"127.0.0.7\",\"versionText\":\"v1.0.12\",\"version\":1012}\n"
      "{not json\n"
      "   \t\n"
      "till-3.shop.example");
  EXPECT_EQ(readDeviceList(in), (std::vector<std::string>{"127.0.0.5", "127.0.0.6", "127.0.0.7",
                                                          "till-3.shop.example"}));
}

TEST(WaitRestartOption, SecondsAreOptional) {
  const auto rewrite = [](const QStringList& in) { return withWaitRestartValue(in); };
  EXPECT_EQ(rewrite({"zedez-updater", "--wait-restart", "30", "127.0.0.5"}),
            QStringList({"zedez-updater", "--wait-restart=30", "127.0.0.5"}));
  EXPECT_EQ(rewrite({"zedez-updater", "--wait-restart", "127.0.0.5"}),
            QStringList({"zedez-updater", "--wait-restart=120", "127.0.0.5"}));
  EXPECT_EQ(rewrite({"zedez-updater", "127.0.0.5", "--wait-restart"}),
            QStringList({"zedez-updater", "127.0.0.5", "--wait-restart=120"}));
  EXPECT_EQ(rewrite({"zedez-updater", "--", "--wait-restart"}),
            QStringList({"zedez-updater", "--", "--wait-restart"}));
}

}  // namespace
}  // namespace app
