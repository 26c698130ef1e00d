// How late the shop window's thread answers while it searches a /24 of 254 simulated
// registers and updates those that need it: a 10 ms timer probe, its lateness per phase (the
// most, the 99th percentile, and how many ticks came more than 100 ms late).
//
// The registers run in one device simulator process on 127.77.7.1-254: 189 on 1.0.9 that come
// back on 1.0.12 after the restart, 11 on 1.0.9 whose upload fails, and 54 on 1.0.12.
// With --version-chars N the old ones name a version of N characters instead (no update then:
// such a version is unreadable). The simulator needs ports 80 and 8080:
//   bash scripts/isolated.sh build/default/bench/shop_window/shop_window_latency [--jobs 64]
//       [--restart SECONDS] [--version-chars N]
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/window/register_model.h"
#include "app/window/shop_window.h"

namespace {

constexpr int kProbeMs = 10;
constexpr int kRegisters = 254;
constexpr int kFailing = 11;
constexpr int kCurrent = 54;
const char* const kNet = "127.77.7";

struct Settings {
  int jobs = 16;
  double restartSeconds = 5;
  int versionChars = 0;
};

// Records how late each tick of a short timer fires.
class LatencyProbe {
 public:
  LatencyProbe() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kProbeMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      if (last_ >= 0) lateness_.push_back(static_cast<double>(now - last_) / 1e6 - kProbeMs);
      last_ = now;
    });
  }
  void start() {
    lateness_.clear();
    last_ = -1;
    clock_.start();
    timer_.start();
  }
  std::vector<double> stop() {
    timer_.stop();
    return lateness_;
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = -1;
  std::vector<double> lateness_;
};

bool waitUntilIdle(const app::ShopWindow& window, int seconds) {
  QElapsedTimer waited;
  waited.start();
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!window.busy() || waited.elapsed() > seconds * 1000LL) loop.quit();
  });
  poll.start(50);
  loop.exec();
  return !window.busy();
}

void report(const char* phase, double seconds, std::vector<double> lateness) {
  std::sort(lateness.begin(), lateness.end());
  const double most = lateness.empty() ? 0 : lateness.back();
  const double p99 = lateness.empty() ? 0 : lateness[lateness.size() * 99 / 100];
  const auto over =
      std::count_if(lateness.begin(), lateness.end(), [](double ms) { return ms > 100; });
  std::printf("| %-8s | %8.1f | %6zu | %9.1f | %9.1f | %10td |\n", phase, seconds, lateness.size(),
              p99, most, over);
}

QString writeConfig(const QTemporaryDir& directory, const Settings& settings) {
  QJsonObject devices;
  for (int host = 1; host <= kRegisters; ++host) {
    const QString address = QStringLiteral("%1.%2").arg(QLatin1String(kNet)).arg(host);
    if (host > kRegisters - kCurrent) {
      devices[address] = QJsonObject{{QStringLiteral("version"), QStringLiteral("1.0.12")}};
    } else if (host > kRegisters - kCurrent - kFailing) {
      devices[address] = QJsonObject{{QStringLiteral("responses"),
                                      QJsonObject{{QStringLiteral("firmware"),
                                                   QJsonObject{{QStringLiteral("status"), 500}}}}}};
    }
  }
  QJsonObject config{{QStringLiteral("devices"), devices}};
  if (settings.versionChars > 0) {
    config[QStringLiteral("version")] = QString(settings.versionChars, QLatin1Char('9'));
  }
  const QString path = directory.filePath(QStringLiteral("devices.json"));
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(QJsonDocument(config).toJson(QJsonDocument::Compact));
  return path;
}

bool startSimulator(QProcess& simulator, const QString& config, const Settings& settings) {
  QStringList arguments = {QStringLiteral(ZEDEZ_SOURCE_DIR "/tools/device_simulator.py")};
  for (int host = 1; host <= kRegisters; ++host) {
    arguments << QStringLiteral("%1.%2").arg(QLatin1String(kNet)).arg(host);
  }
  arguments << QStringLiteral("--version") << QStringLiteral("1.0.9") << QStringLiteral("--restart")
            << QString::number(settings.restartSeconds) << QStringLiteral("--config") << config
            << QStringLiteral("--max-lifetime") << QStringLiteral("900");
  simulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  simulator.start(QStringLiteral("python3"), arguments);
  QElapsedTimer waited;
  waited.start();
  while (waited.elapsed() < 60'000 && simulator.state() != QProcess::NotRunning) {
    simulator.waitForReadyRead(1000);
    while (simulator.canReadLine()) {
      if (simulator.readLine().startsWith("ready")) return true;
    }
  }
  return false;
}

Settings parseArguments(const QStringList& arguments) {
  Settings settings;
  for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
    if (arguments[i] == QLatin1String("--jobs")) settings.jobs = arguments[i + 1].toInt();
    if (arguments[i] == QLatin1String("--restart"))
      settings.restartSeconds = arguments[i + 1].toDouble();
    if (arguments[i] == QLatin1String("--version-chars"))
      settings.versionChars = arguments[i + 1].toInt();
  }
  return settings;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const QApplication application(argc, argv);
  const Settings settings = parseArguments(QCoreApplication::arguments());
  const QTemporaryDir directory;
  QProcess simulator;
  if (!startSimulator(simulator, writeConfig(directory, settings), settings)) {
    std::fprintf(stderr,
                 "the device simulator did not start (ports 80 and 8080 need "
                 "scripts/isolated.sh)\n");
    return 1;
  }
  app::ShopWindow window({.defaultRanges = {}, .recordFile = {}, .waitRestartSeconds = 60});
  window.show();
  // The first paint (fonts, styles) is not the search's.
  QEventLoop settle;
  QTimer::singleShot(1000, &settle, &QEventLoop::quit);
  settle.exec();
  LatencyProbe probe;
  std::printf("254 registers, %d at once, restart %.0f s, versions of %d characters\n\n",
              settings.jobs, settings.restartSeconds, settings.versionChars);
  std::printf("| phase    | seconds  | ticks  | p99 late  | most late | over 100ms |\n");
  std::printf("|----------|----------|--------|-----------|-----------|------------|\n");

  QElapsedTimer phase;
  probe.start();
  phase.start();
  window.rangeEdit()->setText(QStringLiteral("%1.0/24").arg(QLatin1String(kNet)));
  window.searchButton()->click();
  const bool searched = waitUntilIdle(window, 300);
  report("search", static_cast<double>(phase.elapsed()) / 1000, probe.stop());
  if (!searched) return 1;
  std::printf("(found %d registers, %d selected)\n", window.registers()->rowCount(),
              window.registers()->counts().selected);
  if (window.registers()->counts().selected == 0) return 0;

  window.jobsBox()->setValue(settings.jobs);
  probe.start();
  phase.start();
  window.updateButton()->click();
  const bool updated = waitUntilIdle(window, 900);
  report("update", static_cast<double>(phase.elapsed()) / 1000, probe.stop());
  const app::RegisterModel::Counts counts = window.registers()->counts();
  std::printf("(up to date after: %d, failed: %d)\n", counts.current, counts.failed);
  simulator.terminate();
  simulator.waitForFinished(5000);
  return updated ? 0 : 1;
}
