// The window for the registers of a network, on Qt's offscreen platform against device
// simulators on loopback; and the default search range, from a given list of interfaces.
#include "app/window/shop_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "app/window/register_table.h"
#include "app/window/scan_ranges.h"
#include "app/window/start_up.h"
#include "device_simulator.h"
#include "json/parser.h"
#include "modal_answerer.h"
#include "text/utf8_codec.h"

namespace {

using app::InterfaceAddress;
using app::ShopWindow;
using testsupport::DeviceSimulator;

constexpr std::uint32_t ip(unsigned a, unsigned b, unsigned c, unsigned d) {
  return (a << 24U) | (b << 16U) | (c << 8U) | d;
}
constexpr std::uint32_t mask(int prefix) { return ~std::uint32_t{0} << (32U - prefix); }

TEST(ShopDefaultRange, EachPrivateNetworkOnceAtMostASlash24NeverPublicOrLoopback) {
  const std::vector<InterfaceAddress> interfaces = {
      {ip(127, 0, 0, 1), mask(8), true, true},         // loopback
      {ip(192, 168, 1, 23), mask(24), true, false},    // the shop's network
      {ip(192, 168, 1, 99), mask(24), true, false},    // the same network again
      {ip(10, 5, 6, 7), mask(8), true, false},         // wide: the /24 around the address
      {ip(172, 20, 3, 4), mask(16), true, false},      // inside 172.16.0.0/12
      {ip(172, 32, 0, 5), mask(16), true, false},      // just past 172.16.0.0/12: public
      {ip(192, 169, 0, 5), mask(24), true, false},     // public
      {ip(8, 8, 8, 8), mask(24), true, false},         // public
      {ip(100, 64, 0, 1), mask(10), true, false},      // shared address space, not RFC 1918
      {ip(10, 9, 9, 9), mask(24), false, false},       // down
      {ip(192, 168, 50, 9), mask(28), true, false},    // narrower than a /24: kept as it is
      {ip(10, 0, 0, 1), mask(32), true, false},        // point to point: no neighbours
      {ip(192, 168, 2, 1), 0xFFFF00FFU, true, false},  // no contiguous mask
  };
  EXPECT_EQ(app::defaultScanRanges(interfaces),
            (std::vector<std::string>{"192.168.1.0/24", "10.5.6.0/24", "172.20.3.0/24",
                                      "192.168.50.0/28"}));
  EXPECT_TRUE(app::defaultScanRanges({}).empty());
}

TEST(ShopDefaultRange, TheFieldTakesSeveralBlocksButNoneWiderThanASlash16) {
  std::string error;
  const auto two = app::parseRangeField("192.168.1.0/24, 10.0.0.0/30", error);
  ASSERT_EQ(two.size(), 2U) << error;
  EXPECT_EQ(two[0].size(), 254U);
  EXPECT_EQ(two[1].size(), 2U);
  EXPECT_EQ(app::parseRangeField("10.0.0.0/16", error).size(), 1U);
  EXPECT_TRUE(app::parseRangeField("10.0.0.0/24 10.0.0.0/15", error).empty());
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(app::parseRangeField(" , ", error).empty());
}

// The /24 that holds a simulator's address.
QString slash24Of(const DeviceSimulator& device) {
  const QString address = QString::fromStdString(device.address());
  return address.left(address.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".0/24");
}

json::JsonRef recordOf(const std::string& line) {
  return json::parseDocument(std::string_view(line));
}

TEST(ShopWindow, FindsTheRegistersAndUpdatesThoseThatNeedItEachToItsEnd) {
  // Created in this order, their addresses rise: the failing one runs first.
  DeviceSimulator failing({"--version", "1.0.9", "--status", "firmware=500"});
  DeviceSimulator current({"--version", "1.0.12"});
  DeviceSimulator restarting({"--version", "1.0.9", "--restart", "1", "--version-after", "1.0.12"});
  const QTemporaryDir directory;
  const QString recordFile = directory.filePath(QStringLiteral("record.jsonl"));
  ShopWindow window(
      {.defaultRanges = {}, .recordFile = recordFile.toStdString(), .waitRestartSeconds = 30});
  window.show();

  window.rangeEdit()->setText(slash24Of(current));
  window.searchButton()->click();
  ASSERT_TRUE(window.busy());
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 30'000);
  app::RegisterTable& table = *window.table();
  ASSERT_EQ(table.rowCount(), 3);
  EXPECT_EQ(window.progressBar()->value(), 254);
  EXPECT_EQ(table.checkedAddresses(),
            (std::vector<std::u16string>{failing.address16(), restarting.address16()}));
  EXPECT_EQ(table.item(table.rowOf(current.address16()), app::RegisterTable::VerdictColumn)->text(),
            app::RegisterTable::verdictText(app::VersionVerdict::OnImageVersion));

  // One at a time: the failure comes first and stops nothing.
  window.jobsBox()->setValue(1);
  window.updateButton()->click();
  ASSERT_TRUE(window.busy());
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 60'000);
  EXPECT_TRUE(current.records("firmware").empty());
  EXPECT_EQ(failing.records("firmware").size(), 1U);
  EXPECT_EQ(restarting.records("firmware").size(), 1U);
  const auto cell = [&table](const DeviceSimulator& device, int column) {
    return table.item(table.rowOf(device.address16()), column)->text();
  };
  EXPECT_EQ(cell(restarting, app::RegisterTable::VersionAfterColumn), QStringLiteral("1.0.12"));
  EXPECT_TRUE(cell(failing, app::RegisterTable::StateColumn).contains(QStringLiteral("500")))
      << cell(failing, app::RegisterTable::StateColumn).toStdString();

  // What was done, in the window and in the record file alike, in the order it ended.
  ASSERT_EQ(window.recordLines().size(), 2U);
  QFile file(recordFile);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), window.recordLines()[0] + window.recordLines()[1]);
  const json::JsonRef first = recordOf(window.recordLines()[0]);
  const json::JsonRef second = recordOf(window.recordLines()[1]);
  EXPECT_EQ(first.getPathString(u"address"), failing.address16());
  EXPECT_EQ(first.getPathString(u"result"), u"failed");
  EXPECT_EQ(second.getPathString(u"address"), restarting.address16());
  EXPECT_EQ(second.getPathString(u"result"), u"uploaded");
  EXPECT_EQ(second.getPathString(u"versionAfter"), u"1.0.12");
  EXPECT_EQ(second.getPathString(u"verified"), u"true");

  // Selecting the current one on purpose: the window says so first, and Cancel sends nothing.
  table.setChecked(failing.address16(), false);
  table.setChecked(current.address16(), true);
  std::vector<app::testing::SeenBox> boxes;
  app::testing::ModalAnswerer answerer;
  answerer.thenBox(QStringLiteral("Cancel"), &boxes);
  window.updateButton()->click();
  ASSERT_EQ(boxes.size(), 1U);
  EXPECT_TRUE(boxes[0].text.contains(QString::fromStdString(current.address())))
      << boxes[0].text.toStdString();
  EXPECT_FALSE(window.busy());
  EXPECT_TRUE(current.records("firmware").empty());
}

TEST(ShopWindow, CancelEndsASearch) {
  // A whole /16 of loopback: far more than is probed before the cancel takes.
  const QString address = QString::fromStdString(testsupport::freshLoopbackAddress());
  const QString range = address.section(QLatin1Char('.'), 0, 1) + QStringLiteral(".0.0/16");
  ShopWindow window({});
  window.show();
  window.rangeEdit()->setText(range);
  window.searchButton()->click();
  ASSERT_TRUE(window.busy());
  EXPECT_TRUE(window.cancelButton()->isEnabled());
  window.cancelButton()->click();
  EXPECT_FALSE(window.cancelButton()->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 20'000);
  EXPECT_LT(window.progressBar()->value(), window.progressBar()->maximum());
  EXPECT_TRUE(window.searchButton()->isEnabled());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  app::describeApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
