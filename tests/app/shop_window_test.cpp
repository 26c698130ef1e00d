// The window for the registers of a network, on Qt's offscreen platform against device
// simulators on loopback; and the default search range, from a given list of interfaces.
#include "app/window/shop_window.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "app/window/device_text.h"
#include "app/window/register_filter.h"
#include "app/window/register_model.h"
#include "app/window/register_table.h"
#include "app/window/scan_ranges.h"
#include "app/window/start_up.h"
#include "child_process.h"
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
  // A bare address is that one register.
  const auto one = app::parseRangeField("192.168.1.20", error);
  ASSERT_EQ(one.size(), 1U) << error;
  EXPECT_EQ(one[0].size(), 1U);
  EXPECT_EQ(app::fleet::addressText(one[0].first), "192.168.1.20");
}

TEST(ShopDeviceText, ControlsAndBidiMarksAreEscapedAndLongTextIsCutWithItsLength) {
  EXPECT_EQ(app::deviceCellText(u"1.0.12\u202E\u061C\n2\\"),
            QStringLiteral(R"(1.0.12\u202E\u061C\x0A2\\)"));
  const std::u16string huge(1'048'576, u'9');
  const QString cut = app::deviceCellText(huge);
  EXPECT_TRUE(cut.startsWith(QString(128, QLatin1Char('9')) + QStringLiteral("\u2026 (")));
  EXPECT_LT(cut.size(), 160);
  // A tooltip shows markup as the letters it is made of.
  const QString body = QStringLiteral("<h1 style=\"color:green\">Updated and verified</h1>");
  QTextDocument shown;
  shown.setHtml(app::plainToolTip(body));
  EXPECT_EQ(shown.toPlainText(), body);
}

// The /24 that holds a simulator's address.
QString slash24Of(const DeviceSimulator& device) {
  const QString address = QString::fromStdString(device.address());
  return address.left(address.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".0/24");
}

json::JsonRef recordOf(const std::string& line) {
  return json::parseDocument(std::string_view(line));
}

QString cellOf(const ShopWindow& window, const DeviceSimulator& device, int column) {
  const app::RegisterModel& model = *window.registers();
  return model.index(model.rowOf(device.address16()), column).data().toString();
}

QString toolTipOf(const ShopWindow& window, const DeviceSimulator& device, int column) {
  const app::RegisterModel& model = *window.registers();
  QTextDocument shown;
  shown.setHtml(
      model.index(model.rowOf(device.address16()), column).data(Qt::ToolTipRole).toString());
  return shown.toPlainText();
}

// The addresses the table shows, top to bottom.
std::vector<std::u16string> shownAddresses(const ShopWindow& window) {
  std::vector<std::u16string> addresses;
  for (const int row : window.table()->shownRows()) {
    addresses.push_back(window.registers()->addressAt(row));
  }
  return addresses;
}

void search(ShopWindow& window, const QString& range) {
  window.rangeEdit()->setText(range);
  window.searchButton()->click();
  ASSERT_TRUE(window.busy());
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 30'000);
}

std::string contentOf(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
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

  search(window, slash24Of(current));
  app::RegisterModel& model = *window.registers();
  ASSERT_EQ(model.rowCount(), 3);
  EXPECT_EQ(window.progressBar()->value(), 254);
  EXPECT_EQ(model.checkedAddresses(),
            (std::vector<std::u16string>{failing.address16(), restarting.address16()}));
  EXPECT_EQ(cellOf(window, current, app::RegisterModel::VerdictColumn),
            app::RegisterModel::verdictText(app::VersionVerdict::OnImageVersion));
  EXPECT_TRUE(window.countsLabel()->text().contains(QStringLiteral("Selected: 2.")))
      << window.countsLabel()->text().toStdString();

  // One at a time: the failure comes first and stops nothing.
  window.jobsBox()->setValue(1);
  window.updateButton()->click();
  ASSERT_TRUE(window.busy());
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 60'000);
  EXPECT_TRUE(current.records("firmware").empty());
  EXPECT_EQ(failing.records("firmware").size(), 1U);
  EXPECT_EQ(restarting.records("firmware").size(), 1U);
  EXPECT_EQ(cellOf(window, restarting, app::RegisterModel::VersionAfterColumn),
            QStringLiteral("1.0.12"));
  // Verified: 1.0.12 is what it has now.
  EXPECT_EQ(cellOf(window, restarting, app::RegisterModel::InstalledColumn),
            QStringLiteral("1.0.12"));
  EXPECT_EQ(cellOf(window, restarting, app::RegisterModel::VerdictColumn),
            app::RegisterModel::verdictText(app::VersionVerdict::OnImageVersion));
  EXPECT_TRUE(
      cellOf(window, failing, app::RegisterModel::ProgressColumn).contains(QStringLiteral("500")));
  // The failure is brought into view, and can be tried again.
  EXPECT_EQ(window.filter()->show(), app::RegisterFilter::Show::Failed);
  EXPECT_EQ(shownAddresses(window), std::vector<std::u16string>{failing.address16()});
  EXPECT_EQ(window.failedButton()->text().remove(QLatin1Char('&')), QStringLiteral("Failed: 1"));
  EXPECT_TRUE(window.retryButton()->isEnabled());

  // What was done, in the window and in the record file alike, in the order it ended.
  ASSERT_EQ(window.recordLines().size(), 2U);
  EXPECT_EQ(contentOf(recordFile), window.recordLines()[0] + window.recordLines()[1]);
  const json::JsonRef first = recordOf(window.recordLines()[0]);
  const json::JsonRef second = recordOf(window.recordLines()[1]);
  EXPECT_EQ(first.getPathString(u"address"), failing.address16());
  EXPECT_EQ(first.getPathString(u"result"), u"failed");
  EXPECT_EQ(second.getPathString(u"address"), restarting.address16());
  EXPECT_EQ(second.getPathString(u"result"), u"uploaded");
  EXPECT_EQ(second.getPathString(u"versionAfter"), u"1.0.12");
  EXPECT_EQ(second.getPathString(u"verified"), u"true");

  // Saving appends each line once: not again to the record file, once to another file.
  EXPECT_EQ(window.appendRecordTo(recordFile), 0U);
  const QString saved = directory.filePath(QStringLiteral("saved.jsonl"));
  EXPECT_EQ(window.appendRecordTo(saved), 2U);
  EXPECT_EQ(window.appendRecordTo(saved), 0U);
  EXPECT_EQ(contentOf(saved), contentOf(recordFile));

  // Retry failed: the failing register alone, once more.
  window.retryButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 60'000);
  EXPECT_EQ(failing.records("firmware").size(), 2U);
  EXPECT_EQ(restarting.records("firmware").size(), 1U);

  // Selecting the current one on purpose: the window says so first, and Cancel sends nothing.
  window.showBox()->setCurrentIndex(static_cast<int>(app::RegisterFilter::Show::All));
  window.selectNoneButton()->click();
  EXPECT_TRUE(model.checkedAddresses().empty());
  model.setChecked(current.address16(), true);
  EXPECT_TRUE(window.countsLabel()->text().contains(QStringLiteral("Selected: 1.")));
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

TEST(ShopWindow, ShowsWhatARegisterSendsAsPlainTextAndSortsByAnyColumn) {
  DeviceSimulator reversed({"--version", "1.0.9\u202E21.0.1\u061C\nx"});
  DeviceSimulator html({"--version", "1.0.10", "--status", "firmware=500", "--body",
                        "firmware=<h1 style=\"color:green\">Updated and verified</h1>"});
  DeviceSimulator newer({"--version", "1.1"});
  ShopWindow window({.defaultRanges = {}, .recordFile = {}, .waitRestartSeconds = 0});
  window.show();
  search(window, slash24Of(reversed));
  ASSERT_EQ(window.registers()->rowCount(), 3);
  EXPECT_EQ(cellOf(window, reversed, app::RegisterModel::InstalledColumn),
            QStringLiteral(R"(1.0.9\u202E21.0.1\u061C\x0Ax)"));

  window.registers()->setChecked(reversed.address16(), false);
  window.registers()->setChecked(newer.address16(), false);
  window.updateButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 30'000);
  const QString cause = toolTipOf(window, html, app::RegisterModel::ProgressColumn);
  EXPECT_TRUE(cause.contains(QStringLiteral("<h1"))) << cause.toStdString();
  EXPECT_FALSE(cellOf(window, html, app::RegisterModel::ProgressColumn)
                   .startsWith(QStringLiteral("Updated")));

  // By version, as dotted numbers; by the verdict; back to the address.
  window.showBox()->setCurrentIndex(static_cast<int>(app::RegisterFilter::Show::All));
  window.table()->sortByColumn(app::RegisterModel::InstalledColumn, Qt::AscendingOrder);
  EXPECT_EQ(
      shownAddresses(window),
      (std::vector<std::u16string>{reversed.address16(), html.address16(), newer.address16()}));
  window.table()->sortByColumn(app::RegisterModel::VerdictColumn, Qt::DescendingOrder);
  EXPECT_EQ(shownAddresses(window).front(), reversed.address16());
  window.showBox()->setCurrentIndex(static_cast<int>(app::RegisterFilter::Show::NeedingUpdate));
  EXPECT_EQ(shownAddresses(window), std::vector<std::u16string>{html.address16()});
  window.selectAllButton()->click();
  EXPECT_EQ(window.registers()->checkedAddresses(), std::vector<std::u16string>{html.address16()});
}

TEST(ShopWindow, TabFollowsTheLayout) {
  ShopWindow window({});
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  window.rangeEdit()->setFocus();
  std::vector<QWidget*> order = {window.rangeEdit()};
  for (int i = 0; i < 8; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order.push_back(QApplication::focusWidget());
  }
  // Disabled buttons are passed by: nothing was found yet.
  EXPECT_EQ(order,
            (std::vector<QWidget*>{window.rangeEdit(), window.searchButton(), window.showBox(),
                                   window.table(), window.jobsBox(), window.closeButton(),
                                   window.rangeEdit(), window.searchButton(), window.showBox()}));
}

TEST(ShopWindow, CancelEndsASearchAndTheRangeIsKeptForNextTime) {
  // A whole /16 of loopback: far more than is probed before the cancel takes.
  const QString address = QString::fromStdString(testsupport::freshLoopbackAddress());
  const QString range = address.section(QLatin1Char('.'), 0, 1) + QStringLiteral(".0.0/16");
  {
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
  const ShopWindow next({.defaultRanges = {"192.168.1.0/24"}, .recordFile = {}});
  EXPECT_EQ(next.rangeEdit()->text(), range);
}

// A /24 of loopback that no simulator of this process shares: freshLoopbackAddress() keeps
// to 127.100.0.0 and above.
std::string ownSlash24() {
  const int pid = static_cast<int>(getpid());
  return "127." + std::to_string(10 + pid % 90) + "." + std::to_string(pid / 90 % 250 + 1);
}

TEST(ShopWindow, CancelIsHeardAtOnceWhileRegistersSendHugeVersions) {
  // 254 registers, each naming a version of 60,000 characters: as long as a probe's reply may
  // be (64 KiB).
  const QTemporaryDir directory;
  const QString config = directory.filePath(QStringLiteral("devices.json"));
  {
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"version\":\"" + QByteArray(60'000, '9') + "\"}");
  }
  const std::string net = ownSlash24();
  std::vector<std::string> argv = {"python3",
                                   testsupport::sourceDir() + "/tools/device_simulator.py"};
  for (int host = 1; host <= 254; ++host) argv.push_back(net + "." + std::to_string(host));
  argv.insert(argv.end(), {"--config", config.toStdString(), "--max-lifetime", "300"});
  testsupport::ChildProcess simulator(argv);
  simulator.waitFor("ready ", std::chrono::seconds(60));

  ShopWindow window({});
  window.show();
  window.rangeEdit()->setText(QString::fromStdString(net + ".0/24"));
  window.searchButton()->click();
  QTRY_VERIFY_WITH_TIMEOUT(window.registers()->rowCount() >= 1 || !window.busy(), 60'000);
  ASSERT_TRUE(window.busy());
  // The cell keeps a bounded part of the version, with its length.
  const QString installed =
      window.registers()->index(0, app::RegisterModel::InstalledColumn).data().toString();
  EXPECT_LT(installed.size(), 200);
  EXPECT_TRUE(installed.endsWith(QStringLiteral("characters)"))) << installed.toStdString();

  // The press of Cancel is taken as soon as it is made, not after the work queued before it.
  QElapsedTimer sincePress;
  qint64 heardAfter = -1;
  sincePress.start();
  QMetaObject::invokeMethod(
      window.cancelButton(),
      [&] {
        heardAfter = sincePress.elapsed();
        window.cancelButton()->click();
      },
      Qt::QueuedConnection);
  QTRY_VERIFY_WITH_TIMEOUT(heardAfter >= 0, 10'000);
  EXPECT_LT(heardAfter, 1000);
  QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 20'000);
  EXPECT_LT(window.progressBar()->value(), 254);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The last range searched is kept in the test's own settings, never the user's.
  QStandardPaths::setTestModeEnabled(true);
  QApplication application(argc, argv);
  app::describeApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
