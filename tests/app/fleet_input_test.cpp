// The operator's input for a run over many devices: scan ranges, device lists and the
// optional seconds of --wait-restart.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/address_syntax.h"
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
      "   \t\n"
      "till-3.shop.example");
  const auto listed = readDeviceList(in);
  EXPECT_EQ(listed.error, "");
  EXPECT_EQ(listed.addresses, (std::vector<std::string>{"127.0.0.5", "127.0.0.6", "127.0.0.7",
                                                        "till-3.shop.example"}));
}

TEST(DeviceList, ALineThatIsNoAddressOrTooLongRefusesTheListByItsNumber) {
  for (const auto& [text, error] : std::vector<std::pair<std::string, std::string>>{
           {"127.0.0.5\n127.0.0.80:80\n", "line 2 names no address"},
           {"127.0.0.5\n{not json\n", "line 2 is no scan line"},
           {"1.0.9\x1b[2J\n", "line 1 names no address"},
           {"http://127.0.0.5/\n", "line 1 names no address"},
           {"127.0.0.5\n" + std::string(5000, 'a'), "line 2 is longer than 4096 bytes"}}) {
    std::istringstream in(text);
    const auto listed = readDeviceList(in);
    EXPECT_NE(listed.error.find(error), std::string::npos) << text << ": " << listed.error;
  }
  for (const char* good : {"127.0.0.5", "till-3.shop.example", "a", "x1.local."}) {
    EXPECT_TRUE(cli::isDeviceAddress(good)) << good;
  }
  for (const char* bad : {"", "300.1.1.1", "1.2.3", "127.0.0.5:80", "-a", "a..b", "a b", "ü.sk"}) {
    EXPECT_FALSE(cli::isDeviceAddress(bad)) << bad;
  }
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
