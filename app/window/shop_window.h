#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/core/device_address.h"
#include "app/core/restart_wait.h"
#include "app/window/register_model.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTimer;

namespace app {

class RegisterFilter;
class RegisterTable;
class RunSignals;

namespace fleet {
class FleetRun;
struct FleetTally;
}  // namespace fleet

struct ShopWindowOptions {
  // Blocks the range field offers when no range was searched before, e.g. {"192.168.1.0/24"}.
  std::vector<std::string> defaultRanges;
  // Not empty: each register's line of the record is appended there as it is done.
  std::string recordFile;
  // After each upload, how long the register may take to come back.
  int waitRestartSeconds = kDefaultRestartWaitSeconds;
};

// The registers of a shop's network in one window: search a range for them, see their
// versions, update those selected a few at once, follow each to its restart, and keep the
// record. The network work runs on threads of its own; the window only hears of it.
class ShopWindow final : public QWidget {
  Q_OBJECT

 public:
  explicit ShopWindow(ShopWindowOptions options);
  ShopWindow(const ShopWindow&) = delete;
  ShopWindow& operator=(const ShopWindow&) = delete;
  // Stops what is under way and waits for the registers being updated.
  ~ShopWindow() override;

  void startSearch();
  void startUpdate();
  // Updates again the registers whose last update failed.
  void retryFailed();
  // No further address or register starts; those under way finish within their limits.
  void cancel();
  // From any thread: no further address or register starts.
  void stopWork() { stop_ = true; }
  // From any thread, as a signal ends the program: the registers under way get their lines of
  // the record as interrupted (by: the signal's name), and nothing more of the run is shown.
  void interruptRun(const std::u16string& by);
  // Asks for a file and appends there the lines of the record not yet in it.
  void saveRecord();
  // Appends to file the lines of the record not yet written there; how many were.
  std::size_t appendRecordTo(const QString& file);

  [[nodiscard]] bool busy() const { return activity_ != Activity::Idle; }
  [[nodiscard]] std::vector<std::string> recordLines() const;

  [[nodiscard]] QLineEdit* rangeEdit() const { return rangeEdit_; }
  [[nodiscard]] QPushButton* searchButton() const { return searchButton_; }
  [[nodiscard]] QProgressBar* progressBar() const { return progressBar_; }
  [[nodiscard]] QComboBox* showBox() const { return showBox_; }
  [[nodiscard]] QPushButton* selectAllButton() const { return selectAllButton_; }
  [[nodiscard]] QPushButton* selectNoneButton() const { return selectNoneButton_; }
  [[nodiscard]] QPushButton* failedButton() const { return failedButton_; }
  [[nodiscard]] QLabel* countsLabel() const { return countsLabel_; }
  [[nodiscard]] RegisterModel* registers() const { return model_; }
  [[nodiscard]] RegisterFilter* filter() const { return filter_; }
  [[nodiscard]] RegisterTable* table() const { return table_; }
  [[nodiscard]] QSpinBox* jobsBox() const { return jobsBox_; }
  [[nodiscard]] QPushButton* updateButton() const { return updateButton_; }
  [[nodiscard]] QPushButton* retryButton() const { return retryButton_; }
  [[nodiscard]] QPushButton* cancelButton() const { return cancelButton_; }
  [[nodiscard]] QPushButton* saveButton() const { return saveButton_; }
  [[nodiscard]] QPushButton* closeButton() const { return closeButton_; }
  [[nodiscard]] QLabel* statusLabel() const { return statusLabel_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  enum class Activity { Idle, Searching, Updating };

  // A line of the record and the files it is already in.
  struct KeptLine {
    std::string text;
    QStringList writtenTo;
  };

  void createControls();
  void layOutControls();
  void connectControls();
  void setActivity(Activity activity);
  void updateButtons();
  void updateCounts();
  void updateProgressText();
  void setStatus(const QString& text);
  void showOnly(int showIndex);
  void setShownChecked(bool checked);
  void joinWorker();
  // From the worker thread: work for the window's thread, handed over under a lock of this
  // class's own, so that the hand-over holds without relying on Qt's event queue.
  void handOver(std::function<void()> work);
  Q_INVOKABLE void runHandedOver();

  void probed(const FoundRegister* found);
  void searchFinished();
  // Whether the person agrees to updating registers that do not need it.
  bool confirmNotNeeding(const std::vector<DeviceAddress>& addresses);
  void runUpdate(const std::vector<DeviceAddress>& addresses);
  void rowProgress(const QString& address, RowResult result, const QString& text);
  void rowDone(const RowOutcome& outcome, const QByteArray& recordLine);
  void updateFinished(const fleet::FleetTally& tally, const QList<QByteArray>& notStartedLines);

  ShopWindowOptions options_;
  QString recordFileKey_;
  RegisterModel* model_ = nullptr;
  RegisterFilter* filter_ = nullptr;
  RunSignals* runSignals_ = nullptr;
  QLineEdit* rangeEdit_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QComboBox* showBox_ = nullptr;
  QPushButton* selectAllButton_ = nullptr;
  QPushButton* selectNoneButton_ = nullptr;
  QPushButton* failedButton_ = nullptr;
  QLabel* countsLabel_ = nullptr;
  RegisterTable* table_ = nullptr;
  QSpinBox* jobsBox_ = nullptr;
  QPushButton* updateButton_ = nullptr;
  QPushButton* retryButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* closeButton_ = nullptr;
  QLabel* statusLabel_ = nullptr;
  QTimer* clock_ = nullptr;
  // Coalesces the counts and the progress that a search or an update changes many times a moment.
  QTimer* shownLater_ = nullptr;

  Activity activity_ = Activity::Idle;
  std::thread worker_;
  std::atomic<bool> stop_{false};
  // The update under way, for interruptRun.
  std::mutex runMutex_;
  fleet::FleetRun* run_ = nullptr;
  std::mutex handOverMutex_;
  std::deque<std::function<void()>> handedOver_;
  bool closeWhenIdle_ = false;
  // The work under way: addresses probed, or registers done, of the total.
  std::uint64_t total_ = 0;
  std::uint64_t done_ = 0;
  QElapsedTimer elapsed_;
  QString recordProblem_;
  std::vector<KeptLine> record_;
};

}  // namespace app
